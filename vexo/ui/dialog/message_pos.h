// The cursor position "of the message being handled". The toolkit records the global position of
// each mouse input event as it is delivered; hit tests ask for it while handling that event. The
// record lasts only while that event is handled: a timer tick, a posted message or the next pass
// of the event loop ends it, and from then on the current cursor position is returned (a timer
// that checks what lies under the mouse sees where the mouse is now).
#pragma once

#include <QPoint>

#include "vexo/export.h"

// The recorded global position while its event is handled, else QCursor::pos().
VEXO_API QPoint VEXO_GetMessagePos();
// Sets the recorded position until the next timer tick, posted message or loop pass (tests drive
// hit tests through it).
VEXO_API void VEXO_SetMessagePos(const QPoint& global);
// Forgets the recorded position.
VEXO_API void VEXO_ClearMessagePos();
// Installs the recorder on the application once; later calls do nothing. Message windows
// install it when they are created.
VEXO_API void VEXO_InstallMessagePosRecorder();
