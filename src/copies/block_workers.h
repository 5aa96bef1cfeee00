#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tervolen {

// A piece of an entry's source and what a worker made of it.
struct CodedBlock {
    std::string input;
    std::string dictionary; // the source bytes just before input, for coders that use them
    bool last = false;
    std::string output;
    uint64_t outputBits = 0; // for coders whose output does not end on a byte boundary
    uint32_t blockCrc = 0;   // the coder's own check value of the block, where it has one
    uint32_t inputCrc = 0;   // CRC-32 of input
};

// One worker's coder, used by that worker only. code throws Error when the coder fails.
class BlockCoder {
public:
    virtual ~BlockCoder() = default;
    virtual void code(CodedBlock& block) = 0;
};

// Codes blocks on a pool of threads and hands them back in the order they came in. At most twice as many blocks
// as there are threads are held at a time (queued, being coded, or coded and not yet handed back), so memory stays
// bounded whatever the source's size. The destructor stops the workers after their current block and joins them.
class OrderedBlockWorkers {
public:
    using Emit = std::function<void(CodedBlock&)>;

    // One worker per coder. Throws what std::thread throws.
    explicit OrderedBlockWorkers(std::vector<std::unique_ptr<BlockCoder>> coders);
    OrderedBlockWorkers(const OrderedBlockWorkers&) = delete;
    OrderedBlockWorkers& operator=(const OrderedBlockWorkers&) = delete;
    ~OrderedBlockWorkers();

    // Queues block; first hands the oldest blocks to emit, waiting for them, while the limit is reached. Throws
    // what a coder threw for a block handed back, and what emit throws.
    void submit(CodedBlock block, const Emit& emit);
    // Hands every queued block to emit, in order.
    void drain(const Emit& emit);

private:
    struct Slot {
        CodedBlock block;
        bool done = false;
        std::exception_ptr error;
    };

    void serve(BlockCoder& coder);
    void emitOldest(const Emit& emit);
    void stop();

    std::vector<std::unique_ptr<BlockCoder>> coders_;
    size_t limit_;
    std::mutex mutex_;
    std::condition_variable queued_;
    std::condition_variable finished_;
    std::deque<std::unique_ptr<Slot>> pending_;
    size_t started_ = 0; // of pending_, from its front
    bool stopping_ = false;
    std::vector<std::thread> threads_;
};

} // namespace tervolen
