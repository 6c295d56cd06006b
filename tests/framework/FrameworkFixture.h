#pragma once
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "framework/Application.h"
#include "framework/Form.h"
#include "support/Fakes.h"
#include "support/MessagePump.h"

namespace cs::test {

// A form whose design a test supplies: Design runs inside the constructor, before EndLoading.
class TestForm : public Form {
public:
    explicit TestForm(Component* owner) : Form(owner, "TCsTestForm") {
        SetBorderStyle(FormBorderStyle::Single);
        SetBorderIcons(BorderIcon::SystemMenu);
        SetClientWidth(200);
        SetClientHeight(100);
        SetPosition(FormPosition::ScreenCenter);
        if (Design) Design(*this);
        EndLoading();
    }
    inline static std::function<void(TestForm&)> Design;
};

// An application with fake message boxes; the quit requests a test leaves behind are dropped.
class FrameworkTest : public ::testing::Test {
protected:
    ~FrameworkTest() override {
        TestForm::Design = nullptr;
        TakeQuitRequest();
    }
    // The stop boxes shown so far, as "text|icon".
    std::vector<std::string> StopBoxes() const {
        std::vector<std::string> texts;
        for (const ShownBox& box : boxes.Shown)
            if (box.Type & MB_ICONSTOP) texts.push_back(box.Text);
        return texts;
    }

    FakeMessageBoxes boxes;
    ScopedSeam<IMessageBoxes> seam{boxes};
    Application app;
};

}  // namespace cs::test
