#include <wx/init.h>

#include <CLI/CLI.hpp>

#include "tools/oxvtool/Commands.h"

int main(int argc, char** argv)
{
    wxInitializer wx;  // the settings file uses wxBase
    CLI::App app{"oxvtool: the Oxvell survey viewer's command-line companion"};
    app.require_subcommand(1);
    int exitStatus = 0;
    oxvtool::AddInfoCommand(app, exitStatus);
    oxvtool::AddCampathCommand(app, exitStatus);
    oxvtool::AddDemoCommand(app, exitStatus);
    oxvtool::AddRenderCommand(app, exitStatus);
    oxvtool::AddObjCommand(app, exitStatus);
    oxvtool::AddModelCommand(app, exitStatus);
    oxvtool::AddRecordCommand(app, exitStatus);
    CLI11_PARSE(app, argc, argv);
    return exitStatus;
}
