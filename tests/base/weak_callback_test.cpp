#include "base/weak_callback.h"

#include <functional>
#include <memory>

#include <gtest/gtest.h>

namespace qbase {
namespace {

class Counter : public SupportWeakCallback {
 public:
  int Add(int amount) { return total += amount; }
  bool Handle() { return true; }
  int total = 0;
};

TEST(WeakCallbackTest, RunsWhileTheOwnerLivesAndReturnsDefaultsAfterwards) {
  auto owner = std::make_unique<Counter>();
  Counter* raw = owner.get();
  auto add = owner->ToWeakCallback([raw](int amount) { return raw->Add(amount); });
  auto handler = owner->ToWeakCallback([raw] { return raw->Handle(); });
  auto task = owner->ToWeakCallback([raw] { raw->Add(1); });

  EXPECT_EQ(5, add(5));
  EXPECT_TRUE(handler());
  task();
  EXPECT_EQ(6, owner->total);
  EXPECT_FALSE(task.Expired());

  owner.reset();
  EXPECT_TRUE(task.Expired());
  EXPECT_EQ(0, add(5));     // Not run: the default value.
  EXPECT_FALSE(handler());  // A handler bound to a destroyed object declines.
  task();                   // Does nothing, does not touch freed memory.
}

TEST(WeakCallbackTest, CopiesShareTheOwnerAndOutliveEachOther) {
  Counter owner;
  std::function<void()> stored;
  {
    auto first = owner.ToWeakCallback([&owner] { owner.Add(1); });
    auto second = first;
    stored = second;  // Storable in a std::function.
  }
  stored();
  stored();
  EXPECT_EQ(2, owner.total);
}

TEST(WeakCallbackTest, WideningTheClosureTypeKeepsTheOwner) {
  auto owner = std::make_unique<Counter>();
  Counter* raw = owner.get();
  WeakCallback<std::function<void()>> widened = owner->ToWeakCallback([raw] { raw->Add(1); });
  widened();
  EXPECT_EQ(1, owner->total);
  owner.reset();
  widened();  // Voided with the owner like the original.
  EXPECT_TRUE(widened.Expired());
}

TEST(WeakCallbackTest, AskingTwiceGivesTheSameToken) {
  Counter owner;
  std::weak_ptr<WeakFlag> first = owner.GetWeakFlag();
  std::weak_ptr<WeakFlag> second = owner.GetWeakFlag();
  EXPECT_FALSE(first.owner_before(second) || second.owner_before(first));
  EXPECT_EQ(1, first.use_count());
}

TEST(WeakCallbackTest, CopyingAnOwnerDoesNotShareItsToken) {
  auto original = std::make_unique<Counter>();
  auto callback = original->ToWeakCallback([] { return 1; });
  Counter copy(*original);
  original.reset();
  EXPECT_EQ(0, callback());
  EXPECT_EQ(1, copy.ToWeakCallback([] { return 1; })());
}

TEST(WeakCallbackFlagTest, CancelVoidsEarlierCallbacksOnly) {
  WeakCallbackFlag flag;
  int runs = 0;
  auto before = flag.ToWeakCallback([&runs] { ++runs; });
  flag.Cancel();
  auto after = flag.ToWeakCallback([&runs] { runs += 10; });
  before();
  after();
  EXPECT_EQ(10, runs);
  EXPECT_TRUE(before.Expired());

  std::function<void()> from_member;
  {
    WeakCallbackFlag member;
    from_member = member.ToWeakCallback([&runs] { runs += 100; });
  }
  from_member();  // Destroying the member voids its callbacks too.
  EXPECT_EQ(10, runs);
}

}  // namespace
}  // namespace qbase
