#include "app/ui/function_picker.h"

namespace {

FunctionPicker& Installed() {
  static FunctionPicker picker;
  return picker;
}

}  // namespace

void SetFunctionPicker(FunctionPicker picker) { Installed() = std::move(picker); }

bool FunctionPickerInstalled() { return static_cast<bool>(Installed()); }

int RunFunctionPicker(QWidget* parent, int group, std::string& chosen) {
  chosen.clear();
  return Installed() ? Installed()(parent, group, chosen) : 0;
}
