#pragma once
// The host as a plug-in sees it. A module receives it in every module message
// (ModulePacket::host); code linked into a host program gets it from that program.

namespace host {

class CommandLine;
class CommandStack;
class Display;
class DocumentManager;
class Editor;
class HostServices;
class MenuApplication;
class ModuleManager;
class SystemVariables;
class UserInterface;

class Host {
 public:
  virtual ~Host() = default;
  virtual DocumentManager& documents() = 0;
  virtual Editor& editor() = 0;
  virtual Display& display() = 0;
  virtual SystemVariables& variables() = 0;
  virtual CommandLine& commandLine() = 0;
  virtual UserInterface& userInterface() = 0;
  virtual CommandStack& commands() = 0;
  virtual ModuleManager& modules() = 0;
  virtual MenuApplication& menus() = 0;
  virtual HostServices& services() = 0;
};

}  // namespace host
