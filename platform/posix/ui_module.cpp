#include "ui_module.h"

#include <dlfcn.h>

#include <map>
#include <memory>

#include "error.h"
#include "process.h"

namespace qm {

UiModule& UiModule::load(const std::string& file_name) {
  static std::map<std::string, std::unique_ptr<UiModule>> loaded;
  if (auto it = loaded.find(file_name); it != loaded.end()) return *it->second;

  std::string dir = executable_path();
  dir.erase(dir.rfind('/') + 1);
  std::string reasons;
  for (const std::string& candidate :
       {dir + file_name, dir + QUOTEMILL_MODULE_DIR_FROM_BIN "/" + file_name}) {
    if (void* handle = dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL)) {
      auto& slot = loaded[file_name];
      slot.reset(new UiModule(handle));
      return *slot;
    }
    reasons += std::string(dlerror()) + "; ";
  }
  throw Error("cannot load " + file_name + ": " + reasons);
}

void* UiModule::symbol(const char* name) {
  void* f = dlsym(handle_, name);
  if (!f) throw Error(std::string("window module lacks ") + name);
  return f;
}

}  // namespace qm
