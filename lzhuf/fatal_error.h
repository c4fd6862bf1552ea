// The one way out of a damaged archive or a failed write. Each program that links the
// codec supplies it: the bootstrap reports and resumes at its staging routine, the
// tools report the damaged entry, the tests record the message.
#pragma once

[[noreturn]] void FatalError(const char* message);
