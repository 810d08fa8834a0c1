// The slide show and the full-screen view in Form27, stepping the main record set on
// the main window's Timer3.

#include "catalogue/main_window.h"
#include "catalogue/slideshow_window.h"
#include "catalogue/picture_fitting.h"
#include "platform/runtime/error.h"
#include "platform/ui/data_binding.h"
#include "platform/ui/forms.h"
#include "platform/ui/handlers.h"
#include "platform/ui/services.h"
#include "shell/module1.h"

void Form1::CmdCatalogueZoom_Click(int Index) {
    try {
        db::Recordset& rs = Adodc3.recordset();
        if (rs.recordCount() == 0) {
            ui::services().Beep();
            return;
        }
        Form27& view = ui::loaded<Form27>();
        if (Index == 1) {
            Timer3->setEnabled(false);
            for (ui::Control* c : std::initializer_list<ui::Control*>{view.Command1, view.Command2, view.Command3,
                                                                       view.Command4, view.Text1, view.Text2})
                c->setVisible(false);
            view.setCaption("Full Screen");
            view.Show();
            PSlideShowP();
            view.setWindowState(ui::vbNormal);
            view.setLeft(100);
            view.setTop(100);
            ui::DoEvents();
            view.setHeight(view.Image1->Height() + 600);
            view.setWidth(view.Image1->Width() + 300);
            view.Refresh();
        } else if (Index == 2 && rs.recordCount() >= 2) {
            PSlideShowP();
            view.Image1->setTop((view.Height() - view.Image1->Height()) / 2);
            view.Image1->setLeft((view.Width() - view.Image1->Width()) / 2);
            for (ui::Control* c : std::initializer_list<ui::Control*>{view.Command1, view.Command2, view.Command3,
                                                                       view.Command4, view.Text1, view.Text2})
                c->setVisible(true);
            view.setCaption("Slide Show");
            Module1::SlideIntervalSource = QString();
            if (!Timer3->Enabled()) Timer3->setEnabled(true);
            view.Show();
            view.setWindowState(ui::vbNormal);
            view.Move(100, 100, 11000, 11000 * 0.75);
        }
    } catch (const runtime::Error& e) {
        ui::services().MsgBox(QString::fromStdString(e.description()), runtime::vbOKOnly, QString());
    }
}

void Form1::PSlideShowP() {
    try {
        Form27& view = ui::loaded<Form27>();
        db::Recordset& rs = Adodc3.recordset();
        const db::Field name = rs.field("PhotoDescription");
        view.Text2->setText(QString("%1 / %2    %3").arg(rs.absolutePosition()).arg(rs.recordCount()).arg(ui::fieldText(&name)));
        LabelError->setVisible(false);
        pComboCatalogue_Click();

        ui::Image* image = view.Image1;
        image->setVisible(false);
        image->setStretch(false);
        image->setPicture(PictureCatalogue->Picture());
        const catalogue::FittedPicture fitted =
            catalogue::FitPictureIntoWindow(image->Width(), image->Height(), view.Width(), view.Height());
        image->setStretch(true);
        image->Move(fitted.left, fitted.top, fitted.width, fitted.height);
        image->setVisible(true);
        image->ZOrder(1);
    } catch (const runtime::Error& e) {
        ui::services().MsgBox(QString::fromStdString(e.description()), runtime::vbOKOnly, QString());
    }
}

void Form1::Timer3_Timer() {
    // A refused edit stops the show: it is told once, not at every step.
    if (!SaveRecordEdit()) {
        Timer3->setEnabled(false);
        return;
    }
    runtime::resumeNext([&] {
        db::Recordset& rs = Adodc3.recordset();
        if (rs.absolutePosition() < rs.recordCount())
            rs.moveNext();
        else
            rs.moveFirst();
    });
    runtime::resumeNext([&] {
        if (Module1::SlideIntervalSource != Module1::kTimeFromForm27) Timer3->setInterval(3000);
    });
    runtime::resumeNext([&] { PSlideShowP(); });
}
