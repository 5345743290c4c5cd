// Long work on the wizard's thread (waiting for another setup, unpacking,
// short retries) must not make Windows take the wizard for hung: it
// answers messages sent to its windows and repaints them meanwhile, while
// keys and clicks stay queued for the wizard to discard afterwards.
#pragma once

// Answers what is sent to the thread's windows and repaints them, now. In
// a silent run that is the hidden window that holds a shutdown off.
void AnswerPendingMessages();

// Answers as above when the last answer is more than a moment ago: cheap
// enough to call for every piece of long work. Windows takes a window that
// answers nothing sent to it for 5 seconds for hung.
void AnswerNowAndThen();

// Sleeps wait_ms milliseconds, answering meanwhile as above.
void SleepAnswering(unsigned long wait_ms);
