// How long the viewer channel of every system waits for the viewer.
#pragma once

// A viewer may spend this long on one message (loading a scene) before it
// counts as gone: 10 s, or KIVO_REPLY_TIMEOUT_MS (1 to 3600000) when set.
int ViewerAnswerTimeoutMs();
