// What every form of the tool stands on (main windows, tool windows and dialogs): hooks that run
// when the form is first shown, each time it is shown and each time it is activated; its geometry
// kept in the settings store under the form's name; a help context per widget (help_access.h);
// and, for dialogs, the suite's modal results (1 OK, 2 Cancel, 6 Yes, 7 No).
//
// Order: FormCreate runs once, before the first FormShow; FormShow runs on every show; the stored
// geometry is applied before the first show and written when the form hides. FormActivate runs
// when the window becomes the active one.
//
// Main-window services of the suite live here too: SetMainCaption (caption and the controller's
// 4600/4601), ActivateMainForm, SetApplicationFont.
#pragma once

#include <QDialog>
#include <QEvent>
#include <QShowEvent>
#include <QHideEvent>
#include <QWidget>
#include <functional>

#include "platform/rtl/ustring.h"

// The stored geometry of a form named name applied to it (when one is stored and still on a
// screen); false when none was applied.
bool RestoreFormGeometry(QWidget& form, const QString& name);
void KeepFormGeometry(const QWidget& form, const QString& name);
// A window of its own that a window opens: on the screen of that window, wholly (see
// PlaceOnOwnersScreen). Windows without an owner are left alone.
void PlaceOnScreenOfOwner(QWidget& form);

template <class Base>
class TVXStylableForm : public Base {
 public:
  using Base::Base;
  // The name geometry is kept under; the class name when empty.
  void SetFormName(const QString& name) { form_name_ = name; }
  QString FormName() const { return form_name_.isEmpty() ? QString::fromLatin1(this->metaObject()->className()) : form_name_; }
  void SetKeepGeometry(bool keep) { keep_geometry_ = keep; }

 protected:
  virtual void FormCreate() {}
  virtual void FormShow() {}
  virtual void FormActivate() {}

  void showEvent(QShowEvent* e) override {
    if (!created_) {
      created_ = true;
      if (keep_geometry_) RestoreFormGeometry(*this, FormName());
      FormCreate();
    }
    if (!e->spontaneous()) PlaceOnScreenOfOwner(*this);
    Base::showEvent(e);
    if (!e->spontaneous()) {
      FormShow();
      // Showing may have sized the window to what it shows.
      PlaceOnScreenOfOwner(*this);
    }
  }
  void hideEvent(QHideEvent* e) override {
    if (keep_geometry_ && !e->spontaneous()) KeepFormGeometry(*this, FormName());
    Base::hideEvent(e);
  }
  bool event(QEvent* e) override {
    if (e->type() == QEvent::WindowActivate) FormActivate();
    return Base::event(e);
  }

 private:
  QString form_name_;
  bool created_ = false;
  bool keep_geometry_ = true;
};

// A dialog that ends with one of the suite's modal results.
class TVXDialogForm : public TVXStylableForm<QDialog> {
 public:
  using TVXStylableForm<QDialog>::TVXStylableForm;
  // Ends the dialog with the result (1 OK, 2 Cancel, 6 Yes, 7 No); OK and Yes accept.
  void SetModalResult(int result);
  int ModalResult() const { return modal_result_; }
  // Runs the dialog; Escape and closing the window give Cancel.
  int ShowModal();

 private:
  int modal_result_ = 0;
};

// The main caption: an empty caption shows the tool's name and tells the controller that no
// document is shown (4600), any other is used as it is (4601). The application's title follows.
void SetMainCaption(QWidget& form, UStringView caption);
// The tool's main window comes to the front: unless the tool is closing, the stored style is
// applied again and the callback (when given) is called with -1.
void ActivateMainForm(QWidget& form, const std::function<void(int)>& callback = nullptr);
// Set while the tool closes (Close before the data go, and when the main window is destroyed);
// ActivateMainForm then does nothing.
void SetClosingFlag(bool closing);
bool ClosingFlag();
// The application's font: "Segoe UI" 9 when installed, else the desktop's default family at 9
// points.
void SetApplicationFont();
