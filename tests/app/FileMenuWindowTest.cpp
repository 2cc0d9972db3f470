// The File and Help menus driven in process under a private X server: a
// fresh start, opening files (by the dialog, drops and the recent list),
// failed loads and the About box.

#include <sys/stat.h>

#include "tests/app/AppWindowFixture.h"

namespace oxv {
namespace {

namespace cmd = oxv::cmd;

TEST_F(AppWindowTest, FreshStartIsAnEmptyUntitledViewWithEverythingThatNeedsDataDisabled)
{
    EXPECT_EQ(Title(), "Untitled - Oxvell");
    EXPECT_FALSE(Frame()->StatusBar()->IsShown());
    for (int id = cmd::kColorHeight; id <= cmd::kColorOriginal; ++id) {
        EXPECT_FALSE(Item(id).enabled) << id;
        EXPECT_FALSE(Item(id).checked) << id;
    }
    for (int id : {cmd::kShowGrid, cmd::kShowScannerPath, cmd::kShowCameraPath, cmd::kFileSave, cmd::kFileSaveAs,
                   cmd::kImportCameraPath, cmd::kPlayStart, cmd::kPlayPause, cmd::kPlayStop, cmd::kPlayParameter,
                   cmd::kFpvMode})
        EXPECT_FALSE(Item(id).enabled) << id;
    EXPECT_EQ(Item(cmd::kPlayPause).label, "Pause/Resume\tSpace");
    EXPECT_TRUE(Item(cmd::kPointSize1).checked);
    EXPECT_TRUE(Item(cmd::kPointSize1 + 2).enabled);
    EXPECT_TRUE(Item(cmd::kFpvFov).enabled);
    EXPECT_TRUE(Item(cmd::kSize640x480).enabled);
    // Black, apart from the axis indicator at the origin.
    const Picture empty = Screen();
    EXPECT_GT(empty.Lit(), 0);
    EXPECT_LT(empty.Lit(), 1000);
}

TEST_F(AppWindowTest, OpeningASurveyWithoutColorShowsHeightCheckedAndOriginalDisabled)
{
    const std::string file = s_dir->File("field.oxv");
    WriteField(file, false);
    ASSERT_TRUE(s_app->OpenDocumentFile(file));
    EXPECT_EQ(Title(), "field.oxv - Oxvell");
    EXPECT_TRUE(Item(cmd::kColorHeight).checked);
    EXPECT_TRUE(Item(cmd::kColorHeight).enabled);
    EXPECT_FALSE(Item(cmd::kColorOriginal).enabled);
    EXPECT_FALSE(Item(cmd::kColorOriginal).checked);
    EXPECT_TRUE(Item(cmd::kColorAmp).enabled);
    EXPECT_TRUE(Item(cmd::kColorRange).enabled);
    EXPECT_TRUE(Item(cmd::kShowGrid).enabled);
    EXPECT_TRUE(Item(cmd::kShowScannerPath).enabled);
    EXPECT_FALSE(Item(cmd::kShowCameraPath).enabled);
    EXPECT_TRUE(Item(cmd::kImportCameraPath).enabled);
    // A read-only document: Save and Save As stay greyed with data too.
    EXPECT_FALSE(Item(cmd::kFileSave).enabled);
    EXPECT_FALSE(Item(cmd::kFileSaveAs).enabled);
    // Playback has a timeline to start.
    EXPECT_TRUE(Item(cmd::kPlayStart).enabled);
    EXPECT_FALSE(Item(cmd::kPlayStop).enabled);
    EXPECT_TRUE(Item(cmd::kPlayParameter).enabled);
    EXPECT_GT(Screen().Lit(), 4000);
}

TEST_F(AppWindowTest, AFailedLoadSaysWhyAndLeavesAnEmptyUntitledViewAndTheRecentList)
{
    const std::string good = s_dir->File("good.oxv");
    WriteField(good, true);
    ASSERT_TRUE(s_app->OpenDocumentFile(good));
    const int withPoints = Screen().Lit();
    const auto recent = s_app->RecentFiles().Files();

    const std::string bad = s_dir->File("bad.oxv");
    auto bytes = test::ReadBytes(good);
    bytes[0] ^= 0xFF;
    test::WriteBytes(bad, bytes);
    EXPECT_TRUE(s_app->OpenDocumentFile(bad));
    EXPECT_EQ(s_recorder->messages, std::vector<std::string>{"File format error\n" + bad + ": not a point file (first bytes 77 77 66 55)"});
    EXPECT_FALSE(s_app->Document()->Survey().IsLoaded());
    // The file that failed is not what the window shows: a new document's
    // title, and the recent list as it was.
    EXPECT_EQ(Title(), "Untitled - Oxvell");
    EXPECT_EQ(s_app->RecentFiles().Files(), recent);
    EXPECT_EQ(Ini().find("bad.oxv"), std::string::npos);
    EXPECT_FALSE(Item(cmd::kColorOriginal).enabled);
    EXPECT_FALSE(Item(cmd::kImportCameraPath).enabled);
    EXPECT_FALSE(Item(cmd::kPlayStart).enabled);
    const int empty = Screen().Lit();
    EXPECT_LT(empty, 1000);
    EXPECT_GT(withPoints, 10 * empty);
}

TEST_F(AppWindowTest, ASurveyTooLongToPlayOpensAndSaysSoOnce)
{
    const std::string file = s_dir->File("long.oxv");
    test::WriteSurvey(file, PointFileLayout{}, 2, [](int32_t i, PointRecord& r) {
        test::SteadyFlight(i, r);
        r.SetTime(i * 400.0 * 5e6);
    });
    ASSERT_TRUE(s_app->OpenDocumentFile(file));
    EXPECT_TRUE(s_app->Document()->Survey().IsLoaded());
    EXPECT_EQ(Title(), "long.oxv - Oxvell");
    ASSERT_EQ(s_recorder->messages.size(), 1u);
    EXPECT_EQ(s_recorder->messages[0].rfind("Playback is unavailable for this survey at these settings:\n", 0), 0u)
        << s_recorder->messages[0];
    EXPECT_NE(s_recorder->messages[0].find("150,150,150 frames"), std::string::npos);
    EXPECT_FALSE(Item(cmd::kPlayStart).enabled);
}

// A folder or a named pipe gets the refusal a missing file gets, at once:
// the survey, the title and the recent list stay.
TEST_F(AppWindowTest, FoldersAndPipesAreRefusedWithoutWaitingOrChangingAnything)
{
    const std::string good = s_dir->File("stays.oxv");
    WriteField(good, true);
    ASSERT_TRUE(s_app->OpenDocumentFile(good));
    const auto recent = s_app->RecentFiles().Files();
    const std::string folder = s_dir->File("folder.oxv");
    const std::string pipe = s_dir->File("pipe.oxv");
    std::filesystem::create_directory(folder);
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    const std::pair<std::string, std::string> cases[] = {
        {folder, "Is a directory"},
        {pipe, "a named pipe, not a file"},
    };
    for (const auto& [path, reason] : cases) {
        s_recorder->messages.clear();
        EXPECT_FALSE(s_app->OpenDocumentFile(path)) << path;
        ASSERT_EQ(s_recorder->messages.size(), 1u) << path;
        EXPECT_EQ(s_recorder->messages[0], "Cannot open file \"" + path + "\".\n" + reason);
        EXPECT_TRUE(s_app->Document()->Survey().IsLoaded()) << path;
        EXPECT_EQ(Title(), "stays.oxv - Oxvell") << path;
        EXPECT_EQ(s_app->RecentFiles().Files(), recent) << path;
    }
}

TEST_F(AppWindowTest, AFileThatCannotBeOpenedKeepsTheDocumentAndTheRecentList)
{
    const std::string good = s_dir->File("kept.oxv");
    WriteField(good, true);
    ASSERT_TRUE(s_app->OpenDocumentFile(good));
    const auto recent = s_app->RecentFiles().Files();
    EXPECT_FALSE(s_app->OpenDocumentFile(s_dir->File("missing.oxv")));
    ASSERT_EQ(s_recorder->messages.size(), 1u);
    EXPECT_NE(s_recorder->messages[0].find("missing.oxv"), std::string::npos);
    EXPECT_TRUE(s_app->Document()->Survey().IsLoaded());
    EXPECT_EQ(Title(), "kept.oxv - Oxvell");
    EXPECT_EQ(s_app->RecentFiles().Files(), recent);
}

TEST_F(AppWindowTest, DroppedFileOpensAndHeadsTheRecentListInTheIniFile)
{
    const std::string older = s_dir->File("older.oxv");
    const std::string dropped = s_dir->File("dropped.oxv");
    WriteField(older, true);
    WriteField(dropped, true);
    ASSERT_TRUE(s_app->OpenDocumentFile(older));

    auto* target = dynamic_cast<wxFileDropTarget*>(View()->Canvas()->GetDropTarget());
    ASSERT_NE(target, nullptr);
    wxArrayString files;
    files.Add(wxString::FromUTF8(dropped.c_str()));
    EXPECT_TRUE(target->OnDropFiles(10, 10, files));
    for (int i = 0; i < 40 && Title() != "dropped.oxv - Oxvell"; ++i) Pump(25);
    EXPECT_EQ(Title(), "dropped.oxv - Oxvell");
    ASSERT_GE(s_app->RecentFiles().Files().size(), 2u);
    EXPECT_EQ(s_app->RecentFiles().Files()[0], dropped);
    EXPECT_EQ(s_app->RecentFiles().Files()[1], older);

    const std::string ini = Ini();
    EXPECT_NE(ini.find("[Recent File List]\nFile1=" + dropped + "\nFile2=" + older + "\n"), std::string::npos)
        << ini;
    EXPECT_EQ(ini.find('\\'), std::string::npos) << ini;
    // The File menu lists it first.
    EXPECT_NE(Item(cmd::kFileMru1).label.find("dropped.oxv"), std::string::npos);
    EXPECT_TRUE(Item(cmd::kFileMru1).enabled);
}

// The point lists of a large survey compile in chunks with the window
// served between them. A file dropped (or handed over by another start)
// meanwhile opens after the compile, not inside it: the survey being
// compiled is not freed under it.
TEST_F(AppWindowTest, AFileDroppedWhileListsCompileOpensAfterThem)
{
    const std::string large = s_dir->File("large.oxv");
    const std::string dropped = s_dir->File("dropped.oxv");
    test::WriteSurvey(large, PointFileLayout{}, 5 * kListsBetweenYields * kPointsPerList, [](int32_t i, PointRecord& r) {
        r.SetXyz(i % 1000 * 100, i / 1000 * 100, i % 7 * 100);
    });
    WriteField(dropped, true);
    auto* target = dynamic_cast<wxFileDropTarget*>(View()->Canvas()->GetDropTarget());
    ASSERT_NE(target, nullptr);
    wxArrayString files;
    files.Add(wxString::FromUTF8(dropped.c_str()));
    ASSERT_TRUE(target->OnDropFiles(10, 10, files));  // opens once the window is served
    auto& hooks = View()->State().hooks;
    const auto served = hooks.betweenListChunks;
    int breaks = 0;
    hooks.betweenListChunks = [&] {
        ++breaks;
        return served();
    };
    {
        wxGUIEventLoop loop;  // as the running viewer has
        wxEventLoopActivator active(&loop);
        ASSERT_TRUE(s_app->OpenDocumentFile(large));
    }
    hooks.betweenListChunks = served;
    EXPECT_GT(breaks, 0) << "the window was served during the compile";
    EXPECT_EQ(Title(), "large.oxv - Oxvell") << "nothing else opened while the lists compiled";
    for (int i = 0; i < 80 && Title() != "dropped.oxv - Oxvell"; ++i) Pump(25);
    EXPECT_EQ(Title(), "dropped.oxv - Oxvell");
    EXPECT_EQ(View()->State().m_nPointListCount, 120 * 60 / kPointsPerList + 1);
}

TEST_F(AppWindowTest, RecentListKeepsFourFilesWithoutDuplicates)
{
    std::vector<std::string> files;
    for (int i = 0; i < 6; ++i) {
        files.push_back(s_dir->File("r" + std::to_string(i) + ".oxv"));
        WriteField(files.back(), false);
        ASSERT_TRUE(s_app->OpenDocumentFile(files.back()));
    }
    ASSERT_TRUE(s_app->OpenDocumentFile(files[3]));
    EXPECT_EQ(s_app->RecentFiles().Files(), (std::vector<std::string>{files[3], files[5], files[4], files[2]}));
    const std::string ini = Ini();
    EXPECT_NE(ini.find("File4=" + files[2]), std::string::npos) << ini;
    EXPECT_EQ(ini.find("File5"), std::string::npos) << ini;
    // Recent file 2 from the menu opens that file.
    Command(cmd::kFileMru1 + 1);
    EXPECT_EQ(Title(), "r5.oxv - Oxvell");
}

TEST_F(AppWindowTest, AboutShowsTheProgramNameAndVersionModally)
{
    Command(cmd::kAppAbout);
    EXPECT_EQ(s_recorder->messages, std::vector<std::string>{"<dialog About Oxvell>"});
    CAboutDlg about(Frame());
    std::vector<std::string> texts;
    for (wxWindow* child : about.GetChildren())
        if (auto* text = dynamic_cast<wxStaticText*>(child)) texts.push_back(std::string(text->GetLabel().utf8_str()));
    ASSERT_FALSE(texts.empty());
    EXPECT_EQ(texts[0], "Oxvell, Version 1.0");
    EXPECT_NE(about.FindWindow(wxID_OK), nullptr);
}

TEST_F(AppWindowTest, SavePictureWritesTheViewAtTheClientSize)
{
    EXPECT_TRUE(Item(cmd::kSavePicture).enabled);
    const std::string file = s_dir->File("picture.oxv");
    WriteField(file, true);
    ASSERT_TRUE(s_app->OpenDocumentFile(file));
    Command(cmd::kColorHeight);
    const std::string png = s_dir->File("saved.png");
    ASSERT_TRUE(View()->SavePicture(png));
    wxImage saved(png, wxBITMAP_TYPE_PNG);
    ASSERT_TRUE(saved.IsOk());
    EXPECT_EQ(saved.GetSize(), View()->Canvas()->GetClientSize());
    EXPECT_GT(LitPixels(saved), 3000);
    EXPECT_FALSE(View()->SavePicture(s_dir->File("no-such-folder/saved.png")));
    EXPECT_FALSE(std::filesystem::exists(s_dir->File("no-such-folder")));
    Command(cmd::kColorOriginal);
}

}  // namespace
}  // namespace oxv
