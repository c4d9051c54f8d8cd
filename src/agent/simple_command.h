// The simple command sender (-c): instead of running as an agent, the
// program puts its command text as one message on a running agent's input
// queue and ends. It asks for no reply and waits for none.
#pragma once

// Puts `text` (without a terminating NUL; an empty text makes an empty
// message) as a datagram of Format "MQSTR   " to queue `queue` on
// QMgrHconn with MQPUT1. Returns whether it was put; a failure is written
// as CSAG107E at level 0.
bool SendSimpleCommand(const char* queue, const char* text);
