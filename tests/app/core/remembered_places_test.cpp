#include "app/core/remembered_places.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "project/app_session.h"
#include "tests/project/project_test_helpers.h"

namespace qp::app {
namespace {

TEST(RememberedPlacesTest, WindowPlaceTexts) {
  struct Row {
    const char* text;
    std::optional<WindowPlace> place;
  };
  const std::vector<Row> rows = {
      {"10,20,800,600", WindowPlace{10, 20, 800, 600, false}},
      {"-1200,0,640,480,max", WindowPlace{-1200, 0, 640, 480, true}},
      {"", std::nullopt},
      {"10,20,800", std::nullopt},
      {"10,20,0,600", std::nullopt},
      {"10,20,800,600,min", std::nullopt},
      {"10,20,99999,600", std::nullopt},
      {"a,20,800,600", std::nullopt},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(ParseWindowPlace(row.text), row.place) << row.text;
    if (row.place) {
      EXPECT_EQ(WindowPlaceText(*row.place), row.text);
    }
  }
}

TEST(RememberedPlacesTest, RecentProjectsMoveToTheFrontAndKeepFive) {
  std::vector<std::string> recent;
  for (const char* path : {"a", "b", "c", "d", "e", "f", "c", ""}) {
    RememberRecentProject(recent, path);
  }
  EXPECT_EQ(recent, (std::vector<std::string>{"c", "f", "e", "d", "b"}));
}

TEST(RememberedPlacesTest, WrittenBesideTheProjectSettingsAndReadBack) {
  test::TempDir home;
  WriteSettings(home.Folder(), {"/projects/", "/projects/last.zpl"});
  RememberedPlaces places;
  places.windows["MainWindow"] = {5, 6, 700, 500, true};
  places.windows["Unknown"] = {1, 1, 1, 1, false};  // not a window of the application
  places.plate_folder = "/charts";
  places.import_folder = "/incoming";
  places.recent_projects = {"/projects/last.zpl", "/projects/old.zpl"};
  WriteRememberedPlaces(home.Folder(), places);

  const RememberedPlaces read = ReadRememberedPlaces(home.Folder());
  EXPECT_EQ(read.windows.size(), 1u);
  EXPECT_EQ(read.windows.at("MainWindow"), (WindowPlace{5, 6, 700, 500, true}));
  EXPECT_EQ(read.plate_folder, "/charts");
  EXPECT_EQ(read.import_folder, "/incoming");
  EXPECT_EQ(read.recent_projects, places.recent_projects);
  EXPECT_EQ(ReadSettings(home.Folder()).LastProject, "/projects/last.zpl");
  EXPECT_TRUE(ReadRememberedPlaces(home.Folder() + "missing/").recent_projects.empty());
}

}  // namespace
}  // namespace qp::app
