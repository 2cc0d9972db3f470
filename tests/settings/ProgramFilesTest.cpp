// Where a program finds its INI file and its helicopter model.

#include <gtest/gtest.h>

#include <utility>

#include "settings/ProgramFiles.h"

namespace oxv {
namespace {

TEST(ProgramFilesTest, IniFileIsBesideTheExecutableAndNamedAfterIt)
{
    const std::pair<const char*, const char*> cases[] = {
        {"/opt/oxvell/bin/oxvell", "/opt/oxvell/bin/oxvell.ini"},
        {"/tmp/x/survey", "/tmp/x/survey.ini"},
        {"/tmp/x/viewer.bin", "/tmp/x/viewer.ini"},
        {"/tmp/my tools/a.b.c", "/tmp/my tools/a.b.ini"},
    };
    for (const auto& [exe, ini] : cases) EXPECT_EQ(IniPathForExecutable(exe), ini) << exe;
    EXPECT_EQ(ModelPathForExecutable("/opt/oxvell/bin/oxvell"), "/opt/oxvell/bin/model/gray.obj");
    // The running program finds itself.
    EXPECT_NE(ExecutablePath().find("settings_tests"), std::string::npos);
}

}  // namespace
}  // namespace oxv
