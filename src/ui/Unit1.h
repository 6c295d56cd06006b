#pragma once
#include "framework/Buttons.h"
#include "framework/Form.h"
#include "framework/StdCtrls.h"

namespace cs {

// The proxy dialog: whether to use a proxy, its address and its port. It holds no settings of its
// own; the proxy command fills it before showing it and reads it when it ends with OK (1). Cancel
// and the close box end it with 2. Created once; closing it only hides it.
class TfrmProxy : public Form {
public:
    explicit TfrmProxy(Component* owner);
    ~TfrmProxy() override;

    // The design's components.
    GroupBox* GroupBox3;
    Label* Label1;
    Label* Label2;
    Edit* txtAddress;
    Edit* txtPort;
    CheckBox* CheckBox1;
    FlatButton* SpeedButton1;
    FlatButton* SpeedButton2;

    // Event handlers.
    void FormDpiChange(Component& sender);
    void SpeedButton1Click(Component& sender);
    void SpeedButton2Click(Component& sender);

private:
    void CreateDesign();
};

// The one proxy dialog, from its creation at start-up.
extern TfrmProxy* frmProxy;

}  // namespace cs
