#pragma once

// Once no program runs from the work directory any more, or after a bounded wait,
// deletes everything in it, never following a link out of it, and removes it.
void CleanWorkDir();
