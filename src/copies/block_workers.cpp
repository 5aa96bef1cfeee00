#include "copies/block_workers.h"

namespace tervolen {

OrderedBlockWorkers::OrderedBlockWorkers(std::vector<std::unique_ptr<BlockCoder>> coders)
    : coders_(std::move(coders)), limit_(2 * coders_.size()) {
    try {
        for (std::unique_ptr<BlockCoder>& coder : coders_)
            threads_.emplace_back([this, &coder] { serve(*coder); });
    } catch (...) {
        stop();
        throw;
    }
}

OrderedBlockWorkers::~OrderedBlockWorkers() {
    stop();
}

void OrderedBlockWorkers::stop() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    queued_.notify_all();
    for (std::thread& thread : threads_)
        thread.join();
    threads_.clear();
}

void OrderedBlockWorkers::submit(CodedBlock block, const Emit& emit) {
    for (;;) {
        {
            std::lock_guard lock(mutex_);
            if (pending_.size() < limit_) {
                pending_.push_back(std::make_unique<Slot>());
                pending_.back()->block = std::move(block);
                break;
            }
        }
        emitOldest(emit);
    }
    queued_.notify_one();
}

void OrderedBlockWorkers::drain(const Emit& emit) {
    for (;;) {
        {
            std::lock_guard lock(mutex_);
            if (pending_.empty())
                return;
        }
        emitOldest(emit);
    }
}

void OrderedBlockWorkers::emitOldest(const Emit& emit) {
    std::unique_ptr<Slot> slot;
    {
        std::unique_lock lock(mutex_);
        finished_.wait(lock, [this] { return pending_.front()->done; });
        slot = std::move(pending_.front());
        pending_.pop_front();
        --started_;
    }
    if (slot->error)
        std::rethrow_exception(slot->error);
    emit(slot->block);
}

void OrderedBlockWorkers::serve(BlockCoder& coder) {
    for (;;) {
        Slot* slot = nullptr;
        {
            std::unique_lock lock(mutex_);
            queued_.wait(lock, [this] { return stopping_ || started_ < pending_.size(); });
            if (stopping_)
                return;
            slot = pending_[started_++].get();
        }
        try {
            coder.code(slot->block);
        } catch (...) {
            slot->error = std::current_exception();
        }
        {
            std::lock_guard lock(mutex_);
            slot->done = true;
        }
        finished_.notify_all();
    }
}

} // namespace tervolen
