// The slide show and the full-screen view in Form27, stepping the main record set on
// the main window's Timer3.

#include "catalogue/main_window.h"
#include "catalogue/slideshow_window.h"
#include "catalogue/picture_fitting.h"
#include "platform/runtime/error.h"
#include "platform/ui/data_binding.h"
#include "platform/ui/forms.h"
#include "platform/ui/handlers.h"
#include "platform/ui/screen.h"
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
            // The view fills the screen the main window is on, whatever size the last
            // picture or the slide show left the window at; without a window manager to
            // maximise it, its normal size covers that screen too.
            if (!view.Visible() || view.WindowState() != ui::vbMaximized) {
                const ui::Screen::WorkArea screen = ui::Screen::WorkAreaOf(*this);
                view.setWindowState(ui::vbNormal);
                view.Move(screen.left, screen.top, screen.width, screen.height);
                view.setWindowState(ui::vbMaximized);
            }
            view.Show();
            ui::DoEvents();
            PSlideShowP();
            view.Refresh();
        } else if (Index == 2 && rs.recordCount() >= 2) {
            // Placed before it is shown, so that its frame lands on the screen, and sized
            // before the picture is fitted to it.
            view.setWindowState(ui::vbNormal);
            view.Move(100, 100, 11000, 11000 * 0.75);
            PSlideShowP();
            view.Image1->setTop((view.ScaleHeight() - view.Image1->Height()) / 2);
            view.Image1->setLeft((view.ScaleWidth() - view.Image1->Width()) / 2);
            for (ui::Control* c : std::initializer_list<ui::Control*>{view.Command1, view.Command2, view.Command3,
                                                                       view.Command4, view.Text1, view.Text2})
                c->setVisible(true);
            view.setCaption("Slide Show");
            Module1::SlideIntervalSource = QString();
            if (!Timer3->Enabled()) Timer3->setEnabled(true);
            view.Show();
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
        // Fitted to the window's inner area, all of the window that shows a picture: a
        // maximised window's outer size runs past the screen's edges.
        const catalogue::FittedPicture fitted = catalogue::FitPictureIntoWindow(
            image->Width(), image->Height(), view.ScaleWidth(), view.ScaleHeight());
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
