#pragma once
// System variables of the headless host: the shared table, with the view variables read
// from the headless display.

#include "platform/host/headless/headless_display.h"
#include "platform/host/variable_table.h"

namespace host::headless {

class HeadlessVariables final : public VariableTable {
 public:
  explicit HeadlessVariables(HeadlessDisplay& display) : VariableTable(3), display_(display) {}

 protected:
  Result<VariableValue> viewVariable(const std::string& key) const override;

 private:
  HeadlessDisplay& display_;
};

}  // namespace host::headless
