#include <windows.h>

#include <memory>

#include "template_file_kinds.h"

namespace qm::lite {

std::vector<TemplateFileKind> system_template_file_kinds(const std::filesystem::path&) {
  // A pipe whose server never writes: a reader of it would wait for ever. The server's end
  // lives as long as the table; closing it ends such a read.
  const std::string pipe = "\\\\.\\pipe\\qm_template_" + std::to_string(GetCurrentProcessId());
  const std::wstring wide(pipe.begin(), pipe.end());
  HANDLE server = CreateNamedPipeW(wide.c_str(), PIPE_ACCESS_OUTBOUND, PIPE_TYPE_BYTE | PIPE_WAIT, 4, 4096, 4096, 0,
                                   nullptr);
  if (server == INVALID_HANDLE_VALUE) return {{"CreateNamedPipeW failed", pipe, "(no pipe)", {}}};
  auto end = std::shared_ptr<void>(server, [](HANDLE h) { CloseHandle(h); });
  return {
      {"a named pipe", pipe, std::nullopt, [end]() mutable { DisconnectNamedPipe(end.get()); }},
      {"the null device", "NUL", std::nullopt, {}},
      {"the console", "CONIN$", std::nullopt, {}},
  };
}

}  // namespace qm::lite
