#include "jobfront/key_fields.h"

#include <gtest/gtest.h>

#include <map>

namespace kvt::jobfront {
namespace {

FieldLookup lookupIn(std::map<std::string, std::string> keys) {
  return [keys](const std::string& key) {
    auto it = keys.find(key);
    return it == keys.end() ? std::string() : it->second;
  };
}

TEST(ReadFieldsTest, ReadsFieldsInKeyOrderUntilAnEmptyPos) {
  FieldList list = readFields(lookupIn({{"1POS", " 11 "},
                                        {"1LEN", "5"},
                                        {"1ORD", "D"},
                                        {"2POS", "1"},
                                        {"2LEN", " 5"},
                                        {"3POS", ""},
                                        {"3LEN", "2"},
                                        {"4POS", "18"},
                                        {"4LEN", "2"}}),
                              20);
  EXPECT_TRUE(list.correct);
  // An empty ORD is ascending; 3POS ends the list even though 4POS follows.
  std::vector<KeyField> expected = {{11, 5, 'D'}, {1, 5, 'A'}};
  EXPECT_EQ(list.fields, expected);
}

TEST(ReadFieldsTest, ReadsMoreThanTenFields) {
  std::map<std::string, std::string> keys;
  for (int n = 1; n <= 12; ++n) {
    keys[std::to_string(n) + "POS"] = std::to_string(n * 2 - 1);
    keys[std::to_string(n) + "LEN"] = "2";
  }
  FieldList list = readFields(lookupIn(keys), 24);
  EXPECT_TRUE(list.correct);
  ASSERT_EQ(list.fields.size(), 12u);
  EXPECT_EQ(list.fields[9], (KeyField{19, 2, 'A'}));
  EXPECT_EQ(list.fields[11], (KeyField{23, 2, 'A'}));
}

TEST(ReadFieldsTest, RefusesMissingLengthsAndUnknownOrders) {
  EXPECT_FALSE(readFields(lookupIn({{"1POS", "1"}, {"1LEN", "5"}, {"2POS", "6"}, {"2LEN", ""}}), 20)
                   .correct);
  for (const char* order : {"X", "a", "d", "A D", "AD"}) {
    EXPECT_FALSE(
        readFields(
            lookupIn({{"1POS", "1"}, {"1LEN", "5"}, {"2POS", "6"}, {"2LEN", "5"}, {"2ORD", order}}),
            20)
            .correct)
        << order;
  }
}

TEST(ReadFieldsTest, RefusesAnEmptySection) {
  EXPECT_FALSE(readFields(lookupIn({}), 20).correct);
  EXPECT_FALSE(readFields(lookupIn({{"1LEN", "5"}}), 20).correct);
}

TEST(ReadFieldsTest, RefusesFieldsTheEngineCannotCarry) {
  struct Case {
    const char* what;
    std::map<std::string, std::string> keys;
  };
  std::vector<Case> cases = {
      {"start 0", {{"1POS", "0"}, {"1LEN", "5"}}},
      {"negative start", {{"1POS", "-3"}, {"1LEN", "5"}}},
      {"length 0", {{"1POS", "1"}, {"1LEN", "0"}}},
      {"length not a number", {{"1POS", "1"}, {"1LEN", "abc"}}},
      {"past the record", {{"1POS", "16"}, {"1LEN", "6"}}},
      {"start past the record", {{"1POS", "21"}, {"1LEN", "1"}}},
      {"overlap", {{"1POS", "1"}, {"1LEN", "5"}, {"2POS", "5"}, {"2LEN", "3"}}},
      {"overlap out of order", {{"1POS", "8"}, {"1LEN", "3"}, {"2POS", "1"}, {"2LEN", "8"}}},
      {"same field twice", {{"1POS", "3"}, {"1LEN", "2"}, {"2POS", "3"}, {"2LEN", "2"}}},
      {"inside another", {{"1POS", "1"}, {"1LEN", "10"}, {"2POS", "4"}, {"2LEN", "2"}}},
  };
  for (const Case& c : cases) EXPECT_FALSE(readFields(lookupIn(c.keys), 20).correct) << c.what;
  // Touching fields and a field that ends on the record's last byte are fine.
  EXPECT_TRUE(
      readFields(lookupIn({{"1POS", "16"}, {"1LEN", "5"}, {"2POS", "11"}, {"2LEN", "5"}}), 20)
          .correct);
}

TEST(FillerRecordsTest, FillsTheGapsBetweenAndAfterTheFields) {
  std::vector<KeyField> fillers = fillerRecords({{1, 5, 'A'}, {11, 5, 'A'}}, 20);
  std::vector<KeyField> expected = {{6, 5, ' '}, {16, 5, ' '}};
  EXPECT_EQ(fillers, expected);
}

TEST(FillerRecordsTest, FillsBeforeTheFirstFieldInPositionOrder) {
  // Key order 14, 3, 9: the gaps in position order are 1-2, 6-8, 12-13 and 17-30.
  std::vector<KeyField> fillers = fillerRecords({{14, 3, 'D'}, {3, 3, 'A'}, {9, 3, 'A'}}, 30);
  std::vector<KeyField> expected = {{1, 2, ' '}, {6, 3, ' '}, {12, 2, ' '}, {17, 14, ' '}};
  EXPECT_EQ(fillers, expected);
}

TEST(FillerRecordsTest, NoFillerWhenTheFieldsCoverTheRecord) {
  EXPECT_TRUE(fillerRecords({{6, 5, 'A'}, {1, 5, 'D'}}, 10).empty());
  EXPECT_TRUE(fillerRecords({{1, 1, 'A'}}, 1).empty());
}

}  // namespace
}  // namespace kvt::jobfront
