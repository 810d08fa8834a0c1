#pragma once
// The program-wide instance of each window.
//
//   ui::forms<Form1>()    the instance, created (not loaded) at its first reference;
//   ui::loaded<Form1>()   the instance after loading it (hidden, Form_Load first):
//                         the accessor for touching another window's controls,
//                         properties or public procedures;
//   ui::isLoaded<Form1>() never loads;
//   ui::release<Form1>()  discards the instance; the next reference makes a fresh one
//                         with the variables' initial values.
//
// Releasing a loaded form unloads it first, with its QueryUnload and Unload handlers
// (the program releases only unloaded windows; this keeps a release from leaving a
// window on screen without an instance). When that unload is cancelled the form stays
// loaded and the instance is kept (release returns false). Form_Terminate runs as the
// instance is discarded; its memory is freed when the outermost handler returns, so a
// handler may release its own form and run on.

#include <memory>
#include <typeindex>
#include <vector>

#include "platform/ui/form.h"

namespace ui {

namespace detail {
Form* findForm(std::type_index type);
Form& addForm(std::type_index type, std::unique_ptr<Form> form);
bool releaseForm(std::type_index type);
}  // namespace detail

template <class F>
F& forms() {
    static_assert(std::is_base_of_v<Form, F>);
    if (Form* f = detail::findForm(typeid(F))) return static_cast<F&>(*f);
    return static_cast<F&>(detail::addForm(typeid(F), std::make_unique<F>()));
}

template <class F>
F& loaded() {
    F& form = forms<F>();
    form.Load();
    return form;
}

template <class F>
bool isLoaded() {
    const Form* f = detail::findForm(typeid(F));
    return f && f->isLoaded();
}

template <class F>
bool release() {
    return detail::releaseForm(typeid(F));
}

// Every instance that exists, in creation order.
std::vector<Form*> allForms();
// Discards every instance at once, running no handler (tests, program end).
void formsDiscardAll();

}  // namespace ui
