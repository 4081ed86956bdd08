// Notifications to the parent window are synchronous, and the parent may destroy the control from
// inside any of them (a page closing itself on a click). A control that sends several in a row,
// or touches its own members after sending one, takes a guard first and checks it after each
// send: once the control is gone, the sequence stops.
#pragma once

#include <QObject>
#include <QPointer>

class VEXO_NotifyGuard {
 public:
  explicit VEXO_NotifyGuard(QObject* control) : control_(control) {}
  // False once the control has been destroyed.
  bool Alive() const { return !control_.isNull(); }
  explicit operator bool() const { return Alive(); }

 private:
  QPointer<QObject> control_;
};
