#pragma once
// The host as a plug-in sees it. A module receives it in every module message
// (ModulePacket::host); code linked into a host program gets it from that program.
//
// In short, for code that works on drawings:
//   DocumentLock lock(host.documents());            // write lock on the current document
//   cad::Database& db = lock.document()->database();
//   host.userInterface().focusDrawingView();
//   host.editor().resetInputOptions();
//   PickResult pick = host.editor().pickEntity(prompt);  // Normal / None / Cancel / Error
//   SelectionSet set;
//   host.editor().selectCrossingPolygon(corners, set);   // None when nothing was found
//   set.remove(pick.id);
//   host.display().setCurrentView(view);  // "VIEWCTR", "VIEWSIZE", "SCREENSIZE" read it back
//   host.display().drawVector(a, b, 100);
//   DragResult d = host.editor().dragSelectionSet(set, prompt, callback);
//   if (d.status == Status::Normal) host.editor().transformSelectionSet(set, d.transform);
//   host.commandLine().print(text);
// Per-document records: DocumentDataManager<T> (data_manager.h).

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
