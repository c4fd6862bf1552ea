#pragma once

// Dispatches what is queued for the thread without waiting; stops at WM_QUIT, which
// it removes and does not dispatch.
void PumpPendingMessages();
