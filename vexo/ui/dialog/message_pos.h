// The cursor position "of the last message". The toolkit records the global position of each
// mouse input event as it is delivered; hit tests ask for it while handling that event. Before
// any input event was seen the current cursor position is returned.
#pragma once

#include <QPoint>

#include "vexo/export.h"

// The recorded global position, or QCursor::pos() when nothing was recorded.
VEXO_API QPoint VEXO_GetMessagePos();
// Sets the recorded position (tests drive hit tests through it).
VEXO_API void VEXO_SetMessagePos(const QPoint& global);
// Forgets the recorded position.
VEXO_API void VEXO_ClearMessagePos();
// Installs the recorder on the application once; later calls do nothing. Message windows
// install it when they are created.
VEXO_API void VEXO_InstallMessagePosRecorder();
