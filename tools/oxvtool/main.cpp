#include <wx/init.h>

#include <CLI/CLI.hpp>

#include "tools/oxvtool/Commands.h"

int main(int argc, char** argv)
{
    wxInitializer wx;  // the settings file uses wxBase
    CLI::App app{"oxvtool: the Oxvell survey viewer's command-line companion"};
    app.require_subcommand(1);
    int exitStatus = oxv::tool::kSuccess;
    oxv::tool::AddInfoCommand(app, exitStatus);
    oxv::tool::AddCampathCommand(app, exitStatus);
    oxv::tool::AddDemoCommand(app, exitStatus);
    oxv::tool::AddRenderCommand(app, exitStatus);
    oxv::tool::AddObjCommand(app, exitStatus);
    oxv::tool::AddModelCommand(app, exitStatus);
    oxv::tool::AddRecordCommand(app, exitStatus);
    oxv::tool::AddConvertCommand(app, exitStatus);
    app.footer(oxv::tool::kExitStatusHelp);
    for (CLI::App* command : app.get_subcommands({})) command->footer(oxv::tool::kExitStatusHelp);
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
        return oxv::tool::kUsageError;
    }
    return exitStatus;
}
