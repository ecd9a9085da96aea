// A polymorphic base with empty default operations, and a list that owns instances of it.
// The program keeps one list for its whole run (GlobalObjectList).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/WideString.h"

class ListedObject {
 public:
  ListedObject() = default;
  virtual ~ListedObject() = default;
  ListedObject(const ListedObject&) = delete;
  ListedObject& operator=(const ListedObject&) = delete;

  // A new object of the same kind (the base makes a plain ListedObject); the caller owns it.
  virtual ListedObject* CreateNew() const { return new ListedObject(); }
  // True when both identifiers are equal (nothing else is compared).
  virtual bool IsSame(const ListedObject& other) const { return identifier_ == other.identifier_; }
  virtual int Query() const { return 0; }
  // Hooks for subclasses; the base does nothing.
  virtual void Hook1() {}
  virtual void Hook2() {}
  virtual WideString GetName() const { return WideString(); }
  virtual void Hook3() {}
  virtual void Hook4() {}
  virtual void Hook5() {}
  virtual void Hook6() {}

  std::int32_t GetIdentifier() const { return identifier_; }
  void SetIdentifier(std::int32_t identifier) { identifier_ = identifier; }
  std::uint32_t GetState() const { return state_; }

 private:
  std::int32_t identifier_ = 0;
  std::uint32_t state_ = 1;
};

class ObjectList : public ListedObject {
 public:
  ObjectList() = default;
  ~ObjectList() override { Clear(); }

  // Takes ownership of the object (null entries are kept as null).
  void Append(ListedObject* object) { items_.push_back(object); }
  size_t GetCount() const { return items_.size(); }
  ListedObject* GetAt(size_t index) const { return index < items_.size() ? items_[index] : nullptr; }
  // Deletes every entry that is not null and empties the list.
  void Clear();

 private:
  std::vector<ListedObject*> items_;
};

// The program's one list, made on first use and destroyed at exit.
ObjectList& GlobalObjectList();
