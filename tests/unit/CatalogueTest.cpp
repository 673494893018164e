// The catalogue's own check: a row missing, added, out of place or sharing
// what must be one action's alone is found before anything reads it.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "protocol/Catalogue.h"

namespace qd40 {
namespace {

TEST(Catalogue, AWholeCatalogueHasNoFault) {
  EXPECT_EQ(catalogueFault(kCatalogue), "");
}

TEST(Catalogue, EachFaultOfARowIsFound) {
  using Rows = std::vector<ActionRow>;
  const Rows whole(kCatalogue.begin(), kCatalogue.end());
  struct Case {
    const char* name;
    void (*spoil)(Rows&);
    std::string_view fault;
  };
  const Case cases[] = {
      {"the last role left out", [](Rows& rows) { rows.pop_back(); }, "a role has no row"},
      {"a row added twice", [](Rows& rows) { rows.push_back(rows.front()); },
       "a row has no role of its own"},
      {"two rows swapped", [](Rows& rows) { std::swap(rows[0], rows[1]); },
       "a row stands out of its role's place"},
      {"a button typed twice", [](Rows& rows) { rows[1].control = "Command17"; },
       "two rows share a button"},
      {"a code typed twice", [](Rows& rows) { rows[2].code = "C00"; }, "two rows share a code"},
      {"a qd40ctl name typed twice", [](Rows& rows) { rows[3].ctlName = "power on"; },
       "two rows share a qd40ctl name"},
      {"a repeat row given twice", [](Rows& rows) { rows.back().hold.row = 1; },
       "two rows share a repeat row"},
      {"a bus command given twice", [](Rows& rows) { rows[1].bus.payload = "ON"; },
       "two rows share a bus command"},
      {"a held timing with no repeat row", [](Rows& rows) { rows[0].timing = Timing::Repeat; },
       "a held button's timing without a repeat row"},
      {"a nameless row", [](Rows& rows) { rows[4].ctlName = ""; }, "a row lacks a name"},
  };
  for (const Case& c : cases) {
    Rows rows = whole;
    c.spoil(rows);
    EXPECT_EQ(catalogueFault(rows), c.fault) << c.name;
  }
}

TEST(Catalogue, RowsAreFoundByEachSurfacesName) {
  EXPECT_EQ(actionByButton("Command44")->code, "CR0");
  EXPECT_EQ(actionByCtlName("keystone -")->control, "Command51");
  EXPECT_EQ(actionByRepeatRow(13)->code, "C3F");
  EXPECT_EQ(actionByRepeatRow(0), nullptr) << "0 is no held button";
  EXPECT_EQ(actionByButton("Command34"), nullptr) << "the view button sends no code";
  EXPECT_EQ(actionByCtlName("power"), nullptr);
}

}  // namespace
}  // namespace qd40
