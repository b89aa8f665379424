#include <gtest/gtest.h>

#include "platform/rtl/Exceptions.h"
#include "runtime/ksComponentList.h"

namespace {

// Counts its own destruction, so a test sees who freed what.
class TCounted : public TComponent {
 public:
  explicit TCounted(int* freed) : TComponent(nullptr), FFreed(freed) {}
  ~TCounted() override { ++*FFreed; }

 private:
  int* FFreed;
};

}  // namespace

TEST(ComponentList, HoldsEachComponentOnce) {
  TksComponentList list(false);
  TComponent a(nullptr), b(nullptr);
  EXPECT_EQ(list.Add(&a), 0);
  EXPECT_EQ(list.Add(&b), 1);
  EXPECT_EQ(list.Add(&a), 0);
  EXPECT_EQ(list.Count(), 2);

  // Inserting a held component leaves it where it was.
  list.Insert(0, &b);
  EXPECT_EQ(list.Count(), 2);
  EXPECT_EQ(list.Items(0), &a);
  EXPECT_EQ(list.Items(1), &b);

  TComponent c(nullptr);
  list.Insert(0, &c);
  EXPECT_EQ(list.IndexOf(&c), 0);
  EXPECT_EQ(list.Count(), 3);
  TComponent d(nullptr);
  EXPECT_THROW(list.Insert(5, &d), EListError);
}

TEST(ComponentList, DropsAComponentDestroyedElsewhere) {
  TksComponentList list(false);
  auto* a = new TComponent(nullptr);
  TComponent b(nullptr);
  list.Add(a);
  list.Add(&b);
  EXPECT_EQ(list.Add(a), 0);
  delete a;
  ASSERT_EQ(list.Count(), 1);
  EXPECT_EQ(list.Items(0), &b);
}

TEST(ComponentList, FreesItsComponentsOnlyWhenItOwnsThem) {
  int freed = 0;
  {
    TksComponentList owning;
    owning.Add(new TCounted(&freed));
    owning.Add(new TCounted(&freed));
  }
  EXPECT_EQ(freed, 2);

  freed = 0;
  TCounted kept(&freed);
  {
    TksComponentList borrowing(false);
    borrowing.Add(&kept);
  }
  EXPECT_EQ(freed, 0);

  // A component taken out of an owning list is the caller's again; one
  // deleted from it is freed.
  auto* taken = new TCounted(&freed);
  auto* deleted = new TCounted(&freed);
  {
    TksComponentList owning;
    owning.Add(taken);
    owning.Add(deleted);
    EXPECT_EQ(owning.Extract(taken), taken);
    owning.Delete(0);
    EXPECT_EQ(freed, 1);
    EXPECT_EQ(owning.Count(), 0);
  }
  delete taken;
  EXPECT_EQ(freed, 2);
}
