#pragma once

#include <CLI/CLI.hpp>

namespace oxv::tool {

// Exit statuses, the same for every subcommand: the work was done, the work
// failed (a file that cannot be read or written), the command line was wrong.
inline constexpr int kSuccess = 0;
inline constexpr int kWorkFailed = 1;
inline constexpr int kUsageError = 2;
inline constexpr const char* kExitStatusHelp = "Exit status: 0 done, 1 the work failed, 2 a usage error.";

// Each subcommand adds itself to the application; its callback sets the
// process exit status through the returned reference.
void AddInfoCommand(CLI::App& app, int& exitStatus);
void AddCampathCommand(CLI::App& app, int& exitStatus);
void AddDemoCommand(CLI::App& app, int& exitStatus);
void AddRenderCommand(CLI::App& app, int& exitStatus);
void AddObjCommand(CLI::App& app, int& exitStatus);
void AddModelCommand(CLI::App& app, int& exitStatus);
void AddRecordCommand(CLI::App& app, int& exitStatus);
void AddConvertCommand(CLI::App& app, int& exitStatus);

}  // namespace oxv::tool
