#include "platform/rtl/Component.h"

#include <algorithm>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Strings.h"

bool IsValidIdent(StringView ident) {
  if (ident.empty()) return false;
  auto alpha = [](char16_t c) { return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c == u'_'; };
  if (!alpha(ident[0])) return false;
  for (char16_t c : ident.substr(1)) {
    if (!alpha(c) && !(c >= u'0' && c <= u'9')) return false;
  }
  return true;
}

TComponent::TComponent(TComponent* owner) {
  if (owner != nullptr) owner->InsertComponent(this);
}

namespace {

// Never destroyed: a component freed during the program's exit still
// leaves the list safely.
std::vector<TComponent*>& TopLevelComponents() {
  static auto* components = new std::vector<TComponent*>;
  return *components;
}

}  // namespace

void RegisterTopLevelComponent(TComponent* component) {
  if (component != nullptr && std::find(TopLevelComponents().begin(), TopLevelComponents().end(), component) ==
                                  TopLevelComponents().end())
    TopLevelComponents().push_back(component);
}

void UnregisterTopLevelComponent(TComponent* component) { std::erase(TopLevelComponents(), component); }

TComponent* FindTopLevelComponent(StringView name) {
  if (name.empty()) return nullptr;
  for (TComponent* c : TopLevelComponents()) {
    if (SameText(c->Name(), name)) return c;
  }
  return nullptr;
}

TComponent::~TComponent() {
  UnregisterTopLevelComponent(this);
  // Those that asked to hear of our end hear it before anything else goes.
  while (!FFreeNotifies.empty()) {
    TComponent* c = FFreeNotifies.back();
    FFreeNotifies.pop_back();
    std::erase(c->FFreeNotifies, this);
    c->Notification(this, true);
  }
  // Owned components go first, the last created first.
  while (!FComponents.empty()) {
    TComponent* c = FComponents.back();
    FComponents.pop_back();
    c->FOwner = nullptr;
    delete c;
  }
  if (FOwner != nullptr) FOwner->RemoveComponent(this);
}

void TComponent::SetName(const String& value) {
  if (value == FName) return;
  if (!value.empty() && !IsValidIdent(value)) throw EComponentError(Format(RtlMessages::SInvalidName, {value}));
  if (!value.empty() && FOwner != nullptr) {
    TComponent* other = FOwner->FindComponent(value);
    if (other != nullptr && other != this) throw EComponentError(Format(RtlMessages::SDuplicateName, {value}));
  }
  FName = value;
}

TComponent* TComponent::FindComponent(const String& name) const {
  if (name.empty()) return nullptr;
  for (TComponent* c : FComponents) {
    if (SameText(c->FName, name)) return c;
  }
  return nullptr;
}

void TComponent::InsertComponent(TComponent* component) {
  if (component->FOwner != nullptr) component->FOwner->RemoveComponent(component);
  FComponents.push_back(component);
  component->FOwner = this;
}

void TComponent::RemoveComponent(TComponent* component) {
  auto it = std::find(FComponents.begin(), FComponents.end(), component);
  if (it == FComponents.end()) return;
  FComponents.erase(it);
  component->FOwner = nullptr;
  for (TComponent* c : FComponents) c->Notification(component, true);
}

void TComponent::Notification(TComponent*, bool) {}

void TComponent::FreeNotification(TComponent* component) {
  if (component == nullptr || component == this) return;
  if (std::find(FFreeNotifies.begin(), FFreeNotifies.end(), component) != FFreeNotifies.end()) return;
  FFreeNotifies.push_back(component);
  component->FFreeNotifies.push_back(this);
}

void TComponent::RemoveFreeNotification(TComponent* component) {
  if (component == nullptr) return;
  std::erase(FFreeNotifies, component);
  std::erase(component->FFreeNotifies, this);
}
