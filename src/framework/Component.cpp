#include "framework/Component.h"

#include <algorithm>

namespace cs {

Component::Component(Component* owner) : m_owner(owner) {
    if (m_owner) m_owner->m_components.push_back(this);
}

Component::~Component() {
    // Tell everyone who refers to this one, then the owner, before the owned ones go.
    const auto notifies = std::move(m_freeNotifies);
    for (Component* other : notifies) {
        other->RemoveFreeNotification(this);
        other->Notification(this, Operation::Remove);
    }
    if (m_owner) {
        m_owner->RemoveComponent(this);
        m_owner->Notification(this, Operation::Remove);
    }
    DestroyComponents();
}

void Component::DestroyComponents() noexcept {
    m_destroying = true;
    while (!m_components.empty()) {
        Component* last = m_components.back();
        delete last;  // its destructor removes it from m_components
    }
}

Component* Component::FindComponent(const std::string& name) const {
    for (Component* c : m_components)
        if (c->m_name == name) return c;
    return nullptr;
}

void Component::FreeNotification(Component* other) {
    if (!other || other == this) return;
    if (std::find(other->m_freeNotifies.begin(), other->m_freeNotifies.end(), this) ==
        other->m_freeNotifies.end()) {
        other->m_freeNotifies.push_back(this);
        m_freeNotifies.push_back(other);
    }
}

void Component::RemoveFreeNotification(Component* other) {
    std::erase(m_freeNotifies, other);
    if (other) std::erase(other->m_freeNotifies, this);
}

void Component::Notification(Component*, Operation) {}

void Component::NotifyInsertion() {
    if (!m_owner) return;
    // A receiver may add components of its own: walk a copy.
    for (Component* other : std::vector<Component*>(m_owner->m_components))
        if (other != this) other->Notification(this, Operation::Insert);
    m_owner->Notification(this, Operation::Insert);
}

void Component::RemoveComponent(Component* component) {
    std::erase(m_components, component);
}

}  // namespace cs
