#pragma once

#include <CLI/CLI.hpp>

namespace oxvtool {

// Each subcommand adds itself to the application; its callback sets the
// process exit status through the returned reference.
void AddInfoCommand(CLI::App& app, int& exitStatus);
void AddCampathCommand(CLI::App& app, int& exitStatus);
void AddDemoCommand(CLI::App& app, int& exitStatus);
void AddRenderCommand(CLI::App& app, int& exitStatus);
void AddObjCommand(CLI::App& app, int& exitStatus);
void AddModelCommand(CLI::App& app, int& exitStatus);
void AddRecordCommand(CLI::App& app, int& exitStatus);

}  // namespace oxvtool
