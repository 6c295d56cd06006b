#pragma once
#include <string>
#include <vector>

namespace cs {

// The base of everything placed on a form: an owner that destroys it, a Name, the components it
// owns in creation order, a Loaded step once its stored properties are set, and a notification
// when a component it refers to goes away.
class Component {
public:
    enum class Operation { Insert, Remove };

    // Registers with owner (may be null), which destroys its components in reverse order.
    explicit Component(Component* owner);
    virtual ~Component();
    Component(const Component&) = delete;
    Component& operator=(const Component&) = delete;

    Component* Owner() const noexcept { return m_owner; }
    const std::string& Name() const noexcept { return m_name; }
    void SetName(std::string name) { m_name = std::move(name); }

    // Owned components in creation order.
    const std::vector<Component*>& Components() const noexcept { return m_components; }
    Component* FindComponent(const std::string& name) const;

    // There is no visual designer: the program always runs, never designs.
    bool Designing() const noexcept { return false; }
    // True while a form applies the stored properties, until Loaded.
    bool Loading() const noexcept { return m_loading; }
    void BeginLoading() noexcept { m_loading = true; }
    // Called once the stored properties are set. Overrides call the base first.
    virtual void Loaded() { m_loading = false; }
    // True once the component has begun to destroy the components it owns: it is going, and
    // nothing should bring a window of it up again.
    bool Destroying() const noexcept { return m_destroying; }

    // Asks other to call this->Notification(other, Remove) when it is destroyed.
    void FreeNotification(Component* other);
    void RemoveFreeNotification(Component* other);

protected:
    // Destroys the owned components, the last created first. An owner that must still be
    // itself while they go (a form whose components refer to it) calls this in its destructor.
    void DestroyComponents() noexcept;

    // Told when a component that this one refers to is destroyed; clear the reference here.
    // Also told, with Insert, when a component joins this one's owner (see NotifyInsertion).
    virtual void Notification(Component* component, Operation operation);

    // Tells the owner and the owner's other components that this one has joined them. Called at
    // the end of a derived constructor: only then can a receiver tell what kind of component
    // it is.
    void NotifyInsertion();

private:
    void RemoveComponent(Component* component);

    Component* m_owner;
    std::string m_name;
    std::vector<Component*> m_components;
    std::vector<Component*> m_freeNotifies;
    bool m_loading = false;
    bool m_destroying = false;
};

}  // namespace cs
