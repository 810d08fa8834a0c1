#pragma once
#include "platform/ui/form.h"

class Form38 : public ui::Form {
public:
    Form38() : Form("Form38") {}

protected:
    void createControls() override {}
};
