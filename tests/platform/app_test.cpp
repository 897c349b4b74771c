// Version texts every caption is built from, and the program folder: beside the executable
// when it holds datasource.dsn, else the user's documents folder's Sorbel.
#include "platform/app.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/error.h"
#include "platform/posix/app_folder.h"

namespace sorbel {
namespace {

namespace fs = std::filesystem;

TEST(AppTest, CaptionAndVersionText) {
  EXPECT_EQ(AppVersionText(), " Ver. 2.0.0");
  EXPECT_EQ(AppCaption(), "Sorbel Ver. 2.0.0");
}

TEST(AppTest, AFolderHoldingTheDescriptionIsTheExecutablesOwn) {
  const fs::path exe_folder = fs::read_symlink("/proc/self/exe").parent_path();
  const fs::path description = exe_folder / "datasource.dsn";
  const bool made = !fs::exists(description);
  if (made) std::ofstream(description) << "[ODBC]\n";
  std::string folder = AppFolder("datasource.dsn");
  if (made) fs::remove(description);
  EXPECT_EQ(folder, exe_folder.string());
  EXPECT_NE(folder.back(), '/');
}

std::string Bytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(AppFolderTest, AnInstalledProgramWorksInTheUsersDocuments) {
  char pattern[] = "/tmp/sorbel-home-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  const std::string home = pattern;
  const std::string shipped = home + "/shipped.dsn";
  std::ofstream(shipped) << "[ODBC]\nDRIVER=Sorbel CSV\n";

  // Made on first use, with the shipped description to edit; an edited one is kept.
  const std::string documents = home + "/ドキュメント";
  EXPECT_EQ(ProgramFolderFor("/usr/bin", documents, shipped, "datasource.dsn"),
            documents + "/Sorbel");
  EXPECT_EQ(Bytes(documents + "/Sorbel/datasource.dsn"), "[ODBC]\nDRIVER=Sorbel CSV\n");
  std::ofstream(documents + "/Sorbel/datasource.dsn") << "[ODBC]\nDRIVER=Sorbel CSV\n; mine\n";
  EXPECT_EQ(ProgramFolderFor("/usr/bin", documents, shipped, "datasource.dsn"),
            documents + "/Sorbel");
  EXPECT_EQ(Bytes(documents + "/Sorbel/datasource.dsn"), "[ODBC]\nDRIVER=Sorbel CSV\n; mine\n");

  // A file where the folder should be: told, naming the folder.
  std::ofstream(home + "/blocked") << "x";
  try {
    ProgramFolderFor("/usr/bin", home + "/blocked", shipped, "datasource.dsn");
    ADD_FAILURE() << "no error";
  } catch (const Error& e) {
    EXPECT_NE(e.Description().find("「" + home + "/blocked/Sorbel」"), std::string::npos)
        << e.Description();
  }
  fs::remove_all(home);
}

TEST(AppFolderTest, TheDocumentsFolderAsTheDesktopNamesIt) {
  EXPECT_EQ(DocumentsFolder("/home/u", ""), "/home/u/Documents");
  EXPECT_EQ(DocumentsFolder("/home/u",
                            "# comment\nXDG_DESKTOP_DIR=\"$HOME/デスクトップ\"\n"
                            "XDG_DOCUMENTS_DIR=\"$HOME/ドキュメント\"\n"),
            "/home/u/ドキュメント");
  EXPECT_EQ(DocumentsFolder("/home/u", "XDG_DOCUMENTS_DIR=\"/data/docs/\"\n"), "/data/docs");
  // Set to the home folder itself (the desktop's way of saying "none"): not used.
  EXPECT_EQ(DocumentsFolder("/home/u", "XDG_DOCUMENTS_DIR=\"$HOME/\"\n"), "/home/u/Documents");
}

}  // namespace
}  // namespace sorbel
