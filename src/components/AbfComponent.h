#pragma once
#include <string>
#include <string_view>

#include "framework/Component.h"

namespace cs {

// The base of the program's non-visual components. About is a text for a designer's property
// list: it is never stored with a form and has no effect at run time.
class TabfComponent : public Component {
public:
    explicit TabfComponent(Component* owner) : Component(owner) {}

    const std::string& About() const noexcept {
        static const std::string kAbout = "ClockSync non-visual components";
        return kAbout;
    }
    // Ignored: the text is fixed, and a stored design must not be able to change it.
    void SetAbout(std::string_view) noexcept {}
};

}  // namespace cs
