// Components with an owner and a name; the owner frees what it owns.
#pragma once

#include <vector>

#include "platform/rtl/Types.h"

class TComponent {
 public:
  explicit TComponent(TComponent* owner);
  virtual ~TComponent();
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  TComponent* Owner() const { return FOwner; }
  const String& Name() const { return FName; }
  // Raises EComponentError for a name that is not an identifier or that
  // another component of the same owner has (compared without case).
  virtual void SetName(const String& value);

  int ComponentCount() const { return static_cast<int>(FComponents.size()); }
  TComponent* Components(int index) const { return FComponents.at(static_cast<size_t>(index)); }
  TComponent* FindComponent(const String& name) const;
  void InsertComponent(TComponent* component);
  void RemoveComponent(TComponent* component);
  // The component hears Notification(this, true) when this one goes away,
  // whoever owns either; the link is dropped when either side is freed.
  void FreeNotification(TComponent* component);
  void RemoveFreeNotification(TComponent* component);

  virtual const char* ClassName() const { return "TComponent"; }

  // Streaming state: set while the component is being read from a stored form.
  bool Loading() const { return FLoading; }
  void SetLoading(bool value) { FLoading = value; }

 protected:
  // Called on every owned component when one of them goes away.
  virtual void Notification(TComponent* component, bool removing);

 private:
  TComponent* FOwner = nullptr;
  String FName;
  std::vector<TComponent*> FComponents;
  std::vector<TComponent*> FFreeNotifies;
  bool FLoading = false;
};

bool IsValidIdent(StringView ident);

// The application's top-level components (its forms and data modules),
// where a name such as "Module.Table" is looked up first. A component
// registers itself while it lives; it leaves the list when it is freed.
void RegisterTopLevelComponent(TComponent* component);
void UnregisterTopLevelComponent(TComponent* component);
// The registered component of that name (letter case ignored); nullptr
// when none.
TComponent* FindTopLevelComponent(StringView name);
