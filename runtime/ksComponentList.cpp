#include "runtime/ksComponentList.h"

#include <algorithm>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Strings.h"

// Hears of the end of every component the list holds.
class TksComponentList::TWatcher : public TComponent {
 public:
  explicit TWatcher(TksComponentList* list) : TComponent(nullptr), FList(list) {}

 protected:
  void Notification(TComponent* component, bool removing) override {
    TComponent::Notification(component, removing);
    if (removing) FList->Dropped(component);
  }

 private:
  TksComponentList* FList;
};

TksComponentList::TksComponentList(bool ownsObjects)
    : FWatcher(std::make_unique<TWatcher>(this)), FOwnsObjects(ownsObjects) {}

TksComponentList::~TksComponentList() { Clear(); }

TComponent* TksComponentList::Items(int index) const {
  if (index < 0 || index >= Count()) throw EListError(Format(RtlMessages::SListIndexError, {Int64(index)}));
  return FItems[static_cast<size_t>(index)];
}

int TksComponentList::IndexOf(const TComponent* component) const {
  auto it = std::find(FItems.begin(), FItems.end(), component);
  return it == FItems.end() ? -1 : static_cast<int>(it - FItems.begin());
}

int TksComponentList::Add(TComponent* component) {
  int index = IndexOf(component);
  if (index >= 0) return index;
  FItems.push_back(component);
  if (component != nullptr) component->FreeNotification(FWatcher.get());
  return Count() - 1;
}

void TksComponentList::Insert(int index, TComponent* component) {
  if (IndexOf(component) >= 0) return;
  if (index < 0 || index > Count()) throw EListError(Format(RtlMessages::SListIndexError, {Int64(index)}));
  FItems.insert(FItems.begin() + index, component);
  if (component != nullptr) component->FreeNotification(FWatcher.get());
}

int TksComponentList::Remove(TComponent* component) {
  int index = IndexOf(component);
  if (index >= 0) {
    FItems.erase(FItems.begin() + index);
    Unwatch(component);
  }
  return index;
}

TComponent* TksComponentList::Extract(TComponent* component) { return Remove(component) >= 0 ? component : nullptr; }

void TksComponentList::Delete(int index) {
  TComponent* component = Items(index);
  FItems.erase(FItems.begin() + index);
  Unwatch(component);
  if (FOwnsObjects) delete component;
}

void TksComponentList::Clear() {
  while (!FItems.empty()) Delete(Count() - 1);
}

void TksComponentList::Dropped(TComponent* component) { std::erase(FItems, component); }

void TksComponentList::Unwatch(TComponent* component) {
  if (component != nullptr) component->RemoveFreeNotification(FWatcher.get());
}
