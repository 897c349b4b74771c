// Connection texts and data source descriptions: the ODBC pair syntax, the [ODBC] section,
// every key's values and defaults, and a clear error for each way a description goes wrong.
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "engine_test_folder.h"
#include "platform/csvdb/connection_text.h"
#include "platform/csvdb/data_source.h"
#include "platform/csvdb/dsn_file.h"

namespace sorbel::csvdb {
namespace {

using testing::EngineFolder;
using testing::ErrorNumberOf;

TEST(ConnectionTextTest, PairsKeysAndBraces) {
  Settings s = ParseConnectionText(" FileDSN = /a/b.dsn ;DRIVER={Sorbel CSV};x={a;b}}c} ;;");
  EXPECT_EQ(s["filedsn"], "/a/b.dsn");
  EXPECT_EQ(s["driver"], "Sorbel CSV");
  EXPECT_EQ(s["x"], "a;b}c");
  EXPECT_EQ(s.size(), 3u);

  // The first value of a repeated key stays; an empty value is a value.
  s = ParseConnectionText("A=1;a=2;B=");
  EXPECT_EQ(s["a"], "1");
  EXPECT_EQ(s.count("b"), 1u);
  EXPECT_TRUE(ParseConnectionText("").empty());
}

TEST(ConnectionTextTest, MalformedTextIsADataSourceError) {
  for (const char* text : {"FILEDSN", "a=1;junk;b=2", "=x", "x={open", "x={a}b;"}) {
    std::string description;
    EXPECT_EQ(ErrorNumberOf([&] { ParseConnectionText(text); }, &description), kErrDataSource)
        << text;
    EXPECT_NE(description.find(text), std::string::npos) << description;
  }
}

TEST(DsnFileTest, ReadsTheOdbcSectionOnly) {
  EngineFolder folder;
  folder.Write("a.dsn",
               "\xEF\xBB\xBF; comment\r\n[Other]\r\nDRIVER=Wrong\r\n\r\n[odbc]\r\n"
               "  Driver = {Sorbel CSV}  \r\n# another comment\r\nDelimiter=;\r\nEmpty=\r\n"
               "[Later]\r\nDelimiter=:\r\n");
  Settings s = ReadDsnFile(folder.Path("a.dsn"));
  EXPECT_EQ(s["driver"], "Sorbel CSV");
  EXPECT_EQ(s["delimiter"], ";");
  EXPECT_EQ(s["empty"], "");
  EXPECT_EQ(s.size(), 3u);
}

TEST(DsnFileTest, UnusableFilesAreDataSourceErrors) {
  EngineFolder folder;
  folder.Write("empty.dsn", "");
  folder.Write("bom.dsn", "\xEF\xBB\xBF");
  folder.Write("binary.dsn",
               std::string("[ODBC]\nDRIVER=Sorbel CSV\n") + std::string("\0\x01\x02", 3));
  folder.Write("sjis.dsn", "[ODBC]\nDefaultDir=\x83\x65\x83\x58\x83\x67\n");
  folder.Write("nosection.dsn", "DRIVER=Sorbel CSV\n");
  folder.Write("noequals.dsn", "[ODBC]\nDRIVER Sorbel CSV\n");
  folder.Write("huge.dsn", "[ODBC]\nDRIVER=Sorbel CSV\n" + std::string(1 << 20, ';'));
  folder.Write("longline.dsn", "[ODBC]\n" + std::string(500000, 'x') + "\n");
  // A pipe nobody writes to is refused at once, not waited on.
  ASSERT_EQ(mkfifo(folder.Path("fifo.dsn").c_str(), 0600), 0);
  std::filesystem::create_directory(folder.Path("folder.dsn"));
  for (const char* name :
       {"missing.dsn", "empty.dsn", "bom.dsn", "binary.dsn", "sjis.dsn", "nosection.dsn",
        "noequals.dsn", "huge.dsn", "longline.dsn", "fifo.dsn", "folder.dsn", ""}) {
    std::string description;
    EXPECT_EQ(ErrorNumberOf([&] { ReadDsnFile(folder.Path(name)); }, &description), kErrDataSource)
        << name;
    EXPECT_NE(description.find(folder.Path(name)), std::string::npos) << description;
    // A line of the file is quoted in part: the message stays readable.
    EXPECT_LT(description.size(), folder.Path(name).size() + 400) << name;
  }
}

TEST(DataSourceTest, DefaultsAndEveryKey) {
  EngineFolder folder;
  folder.Write("plain.dsn", "[ODBC]\nDRIVER=sorbel csv\n");
  std::string saved = std::filesystem::current_path();
  ASSERT_EQ(::chdir(folder.Dir().c_str()), 0);
  DataSource plain = ResolveDataSource("FILEDSN=plain.dsn");
  ASSERT_EQ(::chdir(saved.c_str()), 0);
  // The folder defaults to the current directory, made absolute at once.
  EXPECT_EQ(plain.folder, std::filesystem::canonical(folder.Dir()).string());
  EXPECT_EQ(plain.format.charset, "auto");
  EXPECT_TRUE(plain.format.header);
  EXPECT_EQ(plain.format.delimiter, ',');

  folder.Write("full.dsn", "[ODBC]\nDRIVER=Sorbel CSV\nDefaultDir=" + folder.Dir() +
                               "/.\nCharacterSet=CP932\nColNameHeader=False\nDelimiter=TAB\n");
  DataSource full = ResolveDataSource("FILEDSN=" + folder.Path("full.dsn"));
  EXPECT_EQ(full.folder, std::filesystem::canonical(folder.Dir()).string());
  EXPECT_EQ(full.format.charset, "CP932");
  EXPECT_FALSE(full.format.header);
  EXPECT_EQ(full.format.delimiter, '\t');

  // A relative folder in the file is the file's, whatever the current directory.
  std::filesystem::create_directories(folder.Path("sub"));
  folder.Write("sub/dot.dsn", "[ODBC]\nDRIVER=Sorbel CSV\nDefaultDir=.\n");
  EXPECT_EQ(ResolveDataSource("FILEDSN=" + folder.Path("sub/dot.dsn")).folder,
            std::filesystem::canonical(folder.Path("sub")).string());

  // Keys of the connection text win over the file's; no file is needed at all.
  DataSource mixed = ResolveDataSource("FILEDSN=" + folder.Path("full.dsn") +
                                       ";Delimiter={;};ColNameHeader=yes;CharacterSet=UTF-8");
  EXPECT_EQ(mixed.format.delimiter, ';');
  EXPECT_TRUE(mixed.format.header);
  EXPECT_EQ(mixed.format.charset, "UTF-8");
  DataSource inline_only =
      ResolveDataSource("Driver={Sorbel CSV};DefaultDir=" + folder.Dir() + ";Delimiter=:");
  EXPECT_EQ(inline_only.format.delimiter, ':');
}

TEST(DataSourceTest, WrongSettingsNameTheirProblem) {
  EngineFolder folder;
  folder.Write("other.dsn", "[ODBC]\nDRIVER=Microsoft Text Driver (*.txt; *.csv)\n");
  folder.Write("nodriver.dsn", "[ODBC]\nDefaultDir=.\n");
  const std::string ok = "Driver=Sorbel CSV;DefaultDir=" + folder.Dir() + ";";
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"", "空"},
      {"   ", "空"},
      {"FILEDSN=" + folder.Path("other.dsn"), "Microsoft Text Driver (*.txt; *.csv)"},
      {"FILEDSN=" + folder.Path("nodriver.dsn"), "DRIVER"},
      {"FILEDSN=" + folder.Path("missing.dsn"), "missing.dsn"},
      {"FILEDSN=;Driver=Sorbel CSV", "FILEDSN"},
      {"DSN=Sorbel;Driver=Sorbel CSV", "DSN"},
      {"Driver=Sorbel CSV;DefaultDir=" + folder.Path("nowhere"), "nowhere"},
      {"Driver=Sorbel CSV;DefaultDir=" + folder.Path("other.dsn"), "other.dsn"},
      {ok + "CharacterSet=KLINGON-8", "KLINGON-8"},
      {ok + "ColNameHeader=maybe", "maybe"},
      {ok + "Delimiter=|", "|"},
      {ok + "Delimiter=ab", "ab"},
  };
  for (const auto& [text, named] : cases) {
    std::string description;
    EXPECT_EQ(ErrorNumberOf([&] { ResolveDataSource(text); }, &description), kErrDataSource)
        << text;
    EXPECT_NE(description.find(named), std::string::npos) << text << " -> " << description;
  }
}

TEST(DataSourceTest, ConnectionOpensOnlyWithAUsableDescription) {
  EngineFolder folder;
  Connection connection;
  connection.ConnectionString = "FILEDSN=" + folder.Path("none.dsn") + ";";
  EXPECT_EQ(ErrorNumberOf([&] { connection.Open(); }), kErrDataSource);
  EXPECT_EQ(ErrorNumberOf([&] { connection.Execute("SELECT 1"); }), kErrDataSource);
  connection.ConnectionString = folder.Dsn();
  connection.Open();
  EXPECT_EQ(ErrorNumberOf([&] { connection.Open(); }), kErrDataSource);
  connection.Close();
  connection.Close();  // closing twice is harmless
  connection.Open();
}

}  // namespace
}  // namespace sorbel::csvdb
