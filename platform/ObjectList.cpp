#include "platform/ObjectList.h"

void ObjectList::Clear() {
  std::vector<ListedObject*> items;
  items.swap(items_);  // an entry's destructor may touch the list again
  for (ListedObject* item : items) delete item;
}

ObjectList& GlobalObjectList() {
  static ObjectList list;
  return list;
}
