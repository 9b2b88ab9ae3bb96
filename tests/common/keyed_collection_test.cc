#include "common/keyed_collection.h"

#include <gtest/gtest.h>

#include <string>

namespace quorax {
namespace {

class KeyedCollectionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    items_.Add("first", "Alpha");
    items_.Add("second", "beta");
    items_.Add("third", "GAMMA");
  }
  KeyedCollection<std::string> items_;
};

TEST_F(KeyedCollectionTest, KeysIgnoreCaseAndNumbersFollowInsertionOrder) {
  EXPECT_EQ(items_.Item("ALPHA"), "first");
  EXPECT_EQ(items_.Item("Beta"), "second");
  EXPECT_EQ(items_.Item(3), "third");
  EXPECT_EQ(items_.Count(), 3);
}

TEST_F(KeyedCollectionTest, DuplicateKeyIsRefusedAndLeavesCollectionUnchanged) {
  EXPECT_THROW(items_.Add("again", "alpha"), DuplicateKey);
  EXPECT_EQ(items_.Count(), 3);
  EXPECT_EQ(items_.Item("alpha"), "first");
}

TEST_F(KeyedCollectionTest, AbsentKeyRaisesMissingKeyButFindReturnsNull) {
  EXPECT_THROW(items_.Item("delta"), MissingKey);
  EXPECT_EQ(items_.Find("delta"), nullptr);
  ASSERT_NE(items_.Find("gamma"), nullptr);
  EXPECT_EQ(*items_.Find("gamma"), "third");
}

TEST_F(KeyedCollectionTest, NumbersOutsideOneToCountRaise) {
  EXPECT_THROW(items_.Item(0), SubscriptOutOfRange);
  EXPECT_THROW(items_.Item(4), SubscriptOutOfRange);
  EXPECT_THROW(items_.Remove(0), SubscriptOutOfRange);
}

TEST_F(KeyedCollectionTest, RemoveRenumbersAndFreesTheKey) {
  items_.Remove(1);
  EXPECT_EQ(items_.Count(), 2);
  EXPECT_EQ(items_.Item(1), "second");
  EXPECT_EQ(items_.Item("gamma"), "third");
  EXPECT_FALSE(items_.Contains("alpha"));
  items_.Add("again", "ALPHA");
  EXPECT_EQ(items_.Item(3), "again");
}

TEST_F(KeyedCollectionTest, EmptyKeyIsAnOrdinaryKey) {
  items_.Add("unnamed", "");
  EXPECT_EQ(items_.Item(""), "unnamed");
  EXPECT_THROW(items_.Add("other", ""), DuplicateKey);
}

}  // namespace
}  // namespace quorax
