// The last step of a build: project tables and their validation rows leave the package,
// cabinets become streams, the summary information is written.
#include <gtest/gtest.h>
#include <libmsi.h>

#include "package_finisher.h"
#include "test_support.h"

namespace {

using buildertest::ReadBytes;
using buildertest::RunCommand;
using buildertest::ShellQuote;
using buildertest::TempFolder;
using buildertest::WriteBytes;

void Sql(LibmsiDatabase* db, const std::string& sql) {
  GError* error = nullptr;
  LibmsiQuery* query = libmsi_query_new(db, sql.c_str(), &error);
  ASSERT_NE(query, nullptr) << sql;
  ASSERT_TRUE(libmsi_query_execute(query, nullptr, &error)) << sql;
  libmsi_query_close(query, nullptr);
  g_object_unref(query);
}

TEST(PackageFinisher, DropsProjectTablesEmbedsStreamsAndWritesSummary) {
  TempFolder temp;
  const std::string package = temp / "p.msi";
  {
    GError* error = nullptr;
    LibmsiDatabase* db = libmsi_database_new(package.c_str(), LIBMSI_DB_FLAGS_CREATE, nullptr, &error);
    ASSERT_NE(db, nullptr);
    Sql(db, "CREATE TABLE `_Validation` (`Table` CHAR(32) NOT NULL, `Column` CHAR(32) NOT NULL, "
            "`Nullable` CHAR(4) NOT NULL PRIMARY KEY `Table`, `Column`)");
    Sql(db, "CREATE TABLE `Property` (`Property` CHAR(72) NOT NULL, `Value` CHAR(0) NOT NULL PRIMARY KEY `Property`)");
    Sql(db, "CREATE TABLE `QvFileSource` (`File_` CHAR(72) NOT NULL, `SourcePath` CHAR(0) NOT NULL PRIMARY KEY `File_`)");
    Sql(db, "INSERT INTO `Property` (`Property`, `Value`) VALUES ('ProductName', 'Demo')");
    Sql(db, "INSERT INTO `QvFileSource` (`File_`, `SourcePath`) VALUES ('a.txt', '/x/a.txt')");
    Sql(db, "INSERT INTO `_Validation` (`Table`, `Column`, `Nullable`) VALUES ('Property', 'Property', 'N')");
    Sql(db, "INSERT INTO `_Validation` (`Table`, `Column`, `Nullable`) VALUES ('QvFileSource', 'File_', 'N')");
    Sql(db, "INSERT INTO `_Validation` (`Table`, `Column`, `Nullable`) VALUES ('QvFileSource', 'SourcePath', 'N')");
    ASSERT_TRUE(libmsi_database_commit(db, &error));
    g_object_unref(db);
  }
  std::string cabinet(70000, '\0');
  for (size_t i = 0; i < cabinet.size(); ++i) cabinet[i] = char(i * 31 + 7);
  WriteBytes(temp / "Data1.cab", cabinet);

  builder::PackageSummary summary;
  summary.title = "Installation Database";
  summary.templateText = "Intel;1033";
  summary.packageCode = "{AAAAAAAA-0000-0000-0000-000000000001}";
  std::string error;
  ASSERT_TRUE(builder::FinishPackage(package, {"QvFileSource"}, {{"Data1.cab", temp / "Data1.cab"}}, summary, &error))
      << error;

  std::string output;
  ASSERT_EQ(RunCommand("msiinfo tables " + ShellQuote(package), &output), 0) << output;
  EXPECT_EQ(output.find("QvFileSource"), std::string::npos) << output;
  EXPECT_NE(output.find("Property"), std::string::npos);
  ASSERT_EQ(RunCommand("msiinfo export " + ShellQuote(package) + " _Validation", &output), 0) << output;
  EXPECT_EQ(output.find("QvFileSource"), std::string::npos) << output;
  EXPECT_NE(output.find("Property\tProperty\tN"), std::string::npos) << output;
  ASSERT_EQ(RunCommand("msiinfo export " + ShellQuote(package) + " Property", &output), 0);
  EXPECT_NE(output.find("ProductName\tDemo"), std::string::npos);

  // The stream holds the cabinet's bytes (read back by 7-Zip's compound-file reader).
  ASSERT_EQ(RunCommand("cd " + ShellQuote(temp.path().string()) + " && 7zz x -tCompound -y -oout " + ShellQuote(package), &output), 0)
      << output;
  ASSERT_EQ(RunCommand("ls " + ShellQuote(temp / "out"), &output), 0);
  EXPECT_NE(output.find("Data1.cab"), std::string::npos) << output;
  EXPECT_EQ(ReadBytes(temp / "out/Data1.cab"), cabinet);

  ASSERT_EQ(RunCommand("msiinfo suminfo " + ShellQuote(package), &output), 0);
  EXPECT_NE(output.find("Revision number (UUID): {AAAAAAAA-0000-0000-0000-000000000001}"), std::string::npos) << output;

  // A package that is not there is a failure with a message, not a crash.
  EXPECT_FALSE(builder::FinishPackage(temp / "missing.msi", {}, {}, summary, &error));
  EXPECT_FALSE(error.empty());
}

}  // namespace
