#pragma once
// System variables as both hosts keep them: the view variables ("VIEWCTR", "VIEWSIZE",
// "SCREENSIZE") read from the host's view and are never set; the rest live in a table that
// starts with the values a fresh drawing session has.

#include <map>
#include <string>

#include "platform/host/system_variables.h"

namespace host {

class VariableTable : public SystemVariables {
 public:
  // `pickBox`: the pick aperture in pixels, as the host's view uses it.
  explicit VariableTable(int pickBox);

  Result<VariableValue> getVariable(std::string_view name) const override;
  Status setVariable(std::string_view name, const VariableValue& value) override;

  // The host's own hand on every variable, read-only ones included. Adds unknown names.
  void define(std::string_view name, VariableValue value, bool readOnly);

 protected:
  // One of the view variables, by its upper-case name.
  virtual Result<VariableValue> viewVariable(const std::string& key) const = 0;

 private:
  struct Entry {
    VariableValue value;
    bool readOnly = false;
  };
  std::map<std::string, Entry> table_;  // upper-case names
};

}  // namespace host
