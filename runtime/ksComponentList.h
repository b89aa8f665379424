// A list of components that never holds a component twice. It watches every
// component it holds and drops one that is destroyed elsewhere; when it owns
// its components it frees those it deletes and all of them when it goes.
#pragma once

#include <memory>
#include <vector>

#include "platform/rtl/Component.h"

class TksComponentList {
 public:
  // Owns its components unless told otherwise.
  explicit TksComponentList(bool ownsObjects = true);
  virtual ~TksComponentList();
  TksComponentList(const TksComponentList&) = delete;
  TksComponentList& operator=(const TksComponentList&) = delete;

  bool OwnsObjects() const { return FOwnsObjects; }
  void SetOwnsObjects(bool value) { FOwnsObjects = value; }

  int Count() const { return static_cast<int>(FItems.size()); }
  TComponent* Items(int index) const;
  int IndexOf(const TComponent* component) const;

  // The component's present index when it is already held (nothing
  // changes); otherwise appends it and returns the new index.
  int Add(TComponent* component);
  // Inserts the component at the index unless it is already held, in which
  // case the list stays as it is.
  void Insert(int index, TComponent* component);
  // Takes the component out without freeing it; its former index or -1.
  int Remove(TComponent* component);
  TComponent* Extract(TComponent* component);
  // Takes the item out and frees it when the list owns its components.
  void Delete(int index);
  void Clear();

 private:
  class TWatcher;
  void Dropped(TComponent* component);
  void Unwatch(TComponent* component);

  std::vector<TComponent*> FItems;
  std::unique_ptr<TWatcher> FWatcher;
  bool FOwnsObjects;
};
