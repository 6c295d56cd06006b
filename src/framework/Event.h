#pragma once
#include <functional>
#include <type_traits>
#include <utility>

namespace cs {

class Component;

// An event slot: empty, or a routine bound to an object. A slot bound with Bind<&T::Method>
// remembers which method it calls, so that a component that attached its own handler can later
// recognise it (Is<&T::Method>()) whatever object it was bound to, and leave other handlers alone.
template <typename... Args>
class Event {
public:
    Event() = default;
    // Any callable: a lambda or a free function. It carries no method identity.
    template <typename F>
    requires std::is_invocable_v<F&, Args...> &&
        (!std::is_same_v<std::decay_t<F>, Event>)Event(F function)
        : m_call(std::move(function)) {}

    template <auto Method, typename T>
    static Event Bind(T* object) {
        Event event;
        event.m_call = [object](Args... args) { (object->*Method)(std::forward<Args>(args)...); };
        event.m_tag = &kTag<Method>;
        return event;
    }

    explicit operator bool() const noexcept { return static_cast<bool>(m_call); }
    void operator()(Args... args) const {
        if (m_call) m_call(std::forward<Args>(args)...);
    }
    // True when the slot calls Method, on whichever object.
    template <auto Method>
    bool Is() const noexcept {
        return m_tag == &kTag<Method>;
    }
    bool SameRoutine(const Event& other) const noexcept {
        return m_tag != nullptr && m_tag == other.m_tag;
    }

private:
    // One distinct address per method: variables, unlike functions, are never folded together.
    template <auto Method>
    static constexpr char kTag = 0;

    std::function<void(Args...)> m_call;
    const char* m_tag = nullptr;
};

// The common event: only the component that raised it.
using NotifyEvent = Event<Component&>;

}  // namespace cs
