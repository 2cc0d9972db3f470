#include <wx/init.h>

#include <CLI/CLI.hpp>

#include "tools/oxvtool/Commands.h"

int main(int argc, char** argv)
{
    wxInitializer wx;  // the settings file uses wxBase
    CLI::App app{"oxvtool: the Oxvell survey viewer's command-line companion"};
    app.require_subcommand(1);
    int exitStatus = oxvtool::kSuccess;
    oxvtool::AddInfoCommand(app, exitStatus);
    oxvtool::AddCampathCommand(app, exitStatus);
    oxvtool::AddDemoCommand(app, exitStatus);
    oxvtool::AddRenderCommand(app, exitStatus);
    oxvtool::AddObjCommand(app, exitStatus);
    oxvtool::AddModelCommand(app, exitStatus);
    oxvtool::AddRecordCommand(app, exitStatus);
    oxvtool::AddConvertCommand(app, exitStatus);
    app.footer(oxvtool::kExitStatusHelp);
    for (CLI::App* command : app.get_subcommands({})) command->footer(oxvtool::kExitStatusHelp);
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& help) {
        return app.exit(help);
    } catch (const CLI::CallForAllHelp& help) {
        return app.exit(help);
    } catch (const CLI::ParseError& error) {
        // The library's own codes say which rule was broken; scripts only
        // need to tell a wrong command line from failed work.
        (void)app.exit(error);
        return oxvtool::kUsageError;
    }
    return exitStatus;
}
