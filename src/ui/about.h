#pragma once
#include <string>

#include "framework/Form.h"
#include "framework/StdCtrls.h"

namespace cs {

// The About text: three paragraphs with an empty line between them.
std::string AboutText();

// The About window: the program's name, a word from its maker and the maker's website, which a
// click on the address opens. Created once; closing it only hides it.
class TfrmAbout : public Form {
public:
    explicit TfrmAbout(Component* owner);
    ~TfrmAbout() override;

    // The design's components.
    Label* Label1;
    Label* Label2;
    Label* Label3;

    // Event handlers.
    void FormCreate(Component& sender);
    void Label3Click(Component& sender);

private:
    void CreateDesign();
};

// The one About window, from its creation at start-up.
extern TfrmAbout* frmAbout;

}  // namespace cs
