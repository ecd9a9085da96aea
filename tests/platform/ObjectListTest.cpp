#include "platform/ObjectList.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

struct Counted : ListedObject {
  explicit Counted(int* deaths) : deaths_(deaths) {}
  ~Counted() override { ++*deaths_; }
  int* deaths_;
};

}  // namespace

TEST(ObjectList, ClearDeletesEntriesAndSkipsNulls) {
  int deaths = 0;
  {
    ObjectList list;
    list.Append(new Counted(&deaths));
    list.Append(nullptr);
    list.Append(new Counted(&deaths));
    EXPECT_EQ(list.GetCount(), 3u);
    EXPECT_EQ(list.GetAt(1), nullptr);
    EXPECT_EQ(list.GetAt(3), nullptr);
    list.Clear();
    EXPECT_EQ(deaths, 2);
    EXPECT_EQ(list.GetCount(), 0u);
    list.Append(nullptr);
    list.Append(new Counted(&deaths));
  }  // the destructor clears too
  EXPECT_EQ(deaths, 3);
}

TEST(ObjectList, ListedObjectsCompareByIdentifierOnly) {
  ListedObject a;
  ListedObject b;
  EXPECT_EQ(a.GetIdentifier(), 0);
  EXPECT_EQ(a.GetState(), 1u);
  EXPECT_TRUE(a.IsSame(b));
  b.SetIdentifier(5);
  EXPECT_FALSE(a.IsSame(b));
  EXPECT_EQ(a.Query(), 0);
  EXPECT_EQ(a.GetName(), L"");
  std::unique_ptr<ListedObject> fresh(b.CreateNew());
  EXPECT_EQ(fresh->GetIdentifier(), 0);
  // One list for the whole run: what one call adds, the next call holds.
  EXPECT_EQ(GlobalObjectList().GetCount(), 0u);
  int deaths = 0;
  GlobalObjectList().Append(new Counted(&deaths));
  EXPECT_EQ(GlobalObjectList().GetCount(), 1u);
  GlobalObjectList().Clear();
  EXPECT_EQ(deaths, 1);
  EXPECT_EQ(GlobalObjectList().GetCount(), 0u);
}
