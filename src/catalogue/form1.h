#pragma once
// The main window: the catalogue browser over the catalogue database.

#include <QPointer>

#include "platform/db/data_control.h"
#include "platform/ui/form.h"

class Form1 : public ui::Form {
public:
    Form1() : Form("Form1") {}

    // The Options record (one row, fields by position).
    db::DataControl AdodcForm1Options;

    void Form_Load() override;
    void Form_Unload(int& Cancel) override;

protected:
    void createControls() override;
    void closeDataControls() override;
};
