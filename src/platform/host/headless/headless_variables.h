#pragma once
// System variables of the headless host. The view variables ("VIEWCTR", "VIEWSIZE",
// "SCREENSIZE") read the display; the rest are kept in a table that starts with the
// values a fresh drawing session has.

#include <map>
#include <string>

#include "platform/host/headless/headless_display.h"
#include "platform/host/system_variables.h"

namespace host::headless {

class HeadlessVariables final : public SystemVariables {
 public:
  explicit HeadlessVariables(HeadlessDisplay& display);

  Result<VariableValue> getVariable(std::string_view name) const override;
  Status setVariable(std::string_view name, const VariableValue& value) override;

  // The headless host's own hand on every variable, read-only ones included (a test that
  // needs a user coordinate system sets "WORLDUCS" to 0 here). Adds unknown names.
  void define(std::string_view name, VariableValue value, bool readOnly);

 private:
  struct Entry {
    VariableValue value;
    bool readOnly = false;
  };
  HeadlessDisplay& display_;
  std::map<std::string, Entry> table_;  // upper-case names
};

}  // namespace host::headless
