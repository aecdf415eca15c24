#ifndef QUEUEDINPUT_H
#define QUEUEDINPUT_H

// The window is blocked while the tool runs, but the clicks and keys made
// meanwhile wait in the queue: replayed after the run, a click on Run would
// start the tool again and one on the Clear button erase the new report. This
// delivers everything queued, without the input.
void dropQueuedInput();

#endif // QUEUEDINPUT_H
