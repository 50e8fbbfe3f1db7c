#ifndef REPLY_FAULTS_H
#define REPLY_FAULTS_H

#include <QByteArray>

// Ways of misbehaving on purpose, so that the configurator's time-outs,
// partial replies and broken replies can be tested against a real process.
struct ReplyFaults
{
    int delay_ms = 0;                 // wait before the first byte of a reply
    int chunks = 1;                   // write each reply in this many pieces...
    int chunk_pause_ms = 0;           // ...with this pause between two pieces
    bool no_reply = false;            // read requests, never answer
    bool close_after_request = false; // TCP: hang up after a request instead of answering
    bool replace_reply = false;       // answer every request with `raw_reply`
    QByteArray raw_reply;
};

#endif // REPLY_FAULTS_H
