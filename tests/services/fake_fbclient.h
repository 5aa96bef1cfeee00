#pragma once

#include <cstdint>
#include <deque>
#include <set>
#include <string>
#include <vector>

namespace tervolen::test {

// What the fake client library (fake_fbclient.cpp) records and answers. The tests reach it through
// fake_fbclient_state() in the same loaded library that the services use.
struct FakeClientState {
    // Recorded calls.
    std::vector<std::string> calls; // "attach", "start", "query", "detach"
    std::string serviceName;
    std::string attachParams;
    std::string startRequest;
    std::string queryItems;
    unsigned bufferLength = 0;

    // Answers: each query copies the next answer into the output buffer (cut at its length).
    std::deque<std::string> answers;
    // The calls ("attach", "start", "query", "detach") that fail once each, with these texts.
    std::set<std::string> failCalls;
    int sqlCode = 0;
    std::string sqlMessage;
    std::deque<std::string> serverMessages;

    void reset() { *this = FakeClientState{}; }
};

} // namespace tervolen::test

extern "C" tervolen::test::FakeClientState* fake_fbclient_state();
