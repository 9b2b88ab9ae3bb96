#include "http/connection_limits.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "http/limit_key.h"

namespace quorax {
namespace {

TEST(LimitKeyTest, IPv4IsItsOwnKeyAndIPv6CountsPer64) {
  struct Case {
    const char* address;
    const char* key;
  };
  for (const Case& c :
       {Case{"10.1.2.3", "10.1.2.3"}, Case{"::ffff:10.1.2.3", "10.1.2.3"},
        Case{"2001:db8:1:2:3:4:5:6", "2001:db8:1:2::/64"},
        Case{"2001:db8:1:2::", "2001:db8:1:2::/64"}, Case{"2001:db8:1:3::1", "2001:db8:1:3::/64"},
        Case{"::1", "::/64"}, Case{"", ""}, Case{"not an address", "not an address"}}) {
    EXPECT_EQ(LimitKey(c.address), c.key) << c.address;
  }
}

// Outcomes of admitting a newcomer: refused, admitted with nothing shed, or
// admitted by shedding the connection opened at that index.
constexpr int kRefused = -2;
constexpr int kAdmitted = -1;

struct Open {
  const char* address;
  int idle_rank;  // 0: busy (after having been idle); else the order of going idle
};

struct Newcomer {
  const char* address;
  int outcome;
};

struct Case {
  const char* name;
  size_t total;
  size_t per_address;
  std::vector<Open> open;
  std::vector<Newcomer> newcomers;  // stay busy once admitted
};

// A shed connection's slot is destroyed right after, as its connection
// closes; once every slot is gone, exactly `total` places are free again.
TEST(ConnectionLimitsTest, NewcomerShedsTheOldestIdleConnectionThatCountsOrIsRefused) {
  const std::vector<Case> cases = {
      {"per address: the address's oldest idle one, not another's",
       10,
       3,
       {{"10.0.0.1", 0}, {"10.0.0.2", 1}, {"10.0.0.1", 3}, {"10.0.0.1", 2}},
       {{"10.0.0.1", 3}, {"10.0.0.1", 2}, {"10.0.0.1", kRefused}, {"10.0.0.2", kAdmitted}}},
      {"total: the oldest idle one of anyone",
       3,
       10,
       {{"10.0.0.1", 0}, {"10.0.0.2", 2}, {"10.0.0.3", 1}},
       {{"10.0.0.4", 2}, {"10.0.0.1", 1}, {"10.0.0.5", kRefused}}},
      {"a trusted proxy counts against the total only",
       5,
       2,
       {{"10.0.0.9", 0}, {"10.0.0.9", 0}, {"10.0.0.9", 1}, {"10.0.0.1", 0}, {"10.0.0.1", 0}},
       {{"10.0.0.1", kRefused}, {"10.0.0.2", 2}, {"10.0.0.9", kRefused}}},
      {"IPv6 counts per /64, IPv4-mapped as IPv4",
       10,
       2,
       {{"2001:db8:1:2::1", 0}, {"2001:db8:1:2:ffff::5", 1}, {"10.0.0.1", 0}},
       {{"2001:db8:1:2::abc", 1},
        {"2001:db8:1:2::7", kRefused},
        {"2001:db8:1:3::1", kAdmitted},
        {"::ffff:10.0.0.1", kAdmitted},
        {"10.0.0.1", kRefused}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ConnectionLimits limits(c.total, c.per_address, {"10.0.0.9"});
    std::vector<ConnectionLimits::Slot> slots;
    int shed = kAdmitted;  // the index of the last connection shed
    for (const Open& open : c.open) {
      slots.push_back(limits.Admit(open.address));
      ASSERT_TRUE(slots.back()) << open.address;
      slots.back().OnShed([&shed, index = static_cast<int>(slots.size()) - 1] { shed = index; });
    }
    for (int rank = 0; rank <= static_cast<int>(c.open.size()); ++rank) {
      for (size_t i = 0; i < c.open.size(); ++i) {
        if (c.open[i].idle_rank == rank) slots[i].Idle();
      }
    }
    for (size_t i = 0; i < c.open.size(); ++i) {
      if (c.open[i].idle_rank == 0) {
        EXPECT_TRUE(slots[i].Busy());
      }
    }
    for (const Newcomer& newcomer : c.newcomers) {
      shed = kAdmitted;
      ConnectionLimits::Slot slot = limits.Admit(newcomer.address);
      EXPECT_EQ(slot ? shed : kRefused, newcomer.outcome) << newcomer.address;
      if (slot && shed != kAdmitted) {
        EXPECT_FALSE(slots[shed].Busy());  // it must close
        slots[shed] = ConnectionLimits::Slot();
      }
      if (slot) slots.push_back(std::move(slot));
    }
    slots.clear();
    for (size_t i = 0; i < c.total; ++i) {
      slots.push_back(limits.Admit("10.1.0." + std::to_string(i + 1)));
      EXPECT_TRUE(slots.back()) << i;
    }
    EXPECT_FALSE(limits.Admit("10.2.0.1"));
  }
}

}  // namespace
}  // namespace quorax
