// Contacts read on a thread of their own while the cards are written: reading
// (parsing, unescaping, decoding base64, mapping columns) and writing (the
// library's lines, quoted-printable, the files) each take about half of an
// import, and a machine has two cores or more.
//
// The reading thread calls `next` only, in order, and hands the contacts over
// in batches; everything that writes or prints stays on the caller's thread,
// so cards and messages come out in the input's order as before. What `next`
// throws reaches the caller after the contacts read before it. Where there
// are no threads (the web page's WebAssembly), contacts are read as asked.
#ifndef KWVCARD_TOOL_READ_AHEAD_H
#define KWVCARD_TOOL_READ_AHEAD_H

#include <cstddef>
#include <exception>
#include <utility>
#include <vector>

#include "contact.h"

#ifndef __EMSCRIPTEN__
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#endif

namespace kwvcard {

#ifdef __EMSCRIPTEN__

template <typename Next>
class ReadAhead {
 public:
  explicit ReadAhead(Next next) : next_(std::move(next)) {}
  bool next(Contact& contact) { return next_(contact); }

 private:
  Next next_;
};

#else

template <typename Next>
class ReadAhead {
 public:
  explicit ReadAhead(Next next) : next_(std::move(next)), thread_([this] { read(); }) {}

  // Stops the reading thread, if it is still reading, and waits for it.
  ~ReadAhead() {
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      stop_ = true;
    }
    room_.notify_all();
    thread_.join();
  }

  ReadAhead(const ReadAhead&) = delete;
  ReadAhead& operator=(const ReadAhead&) = delete;

  // The next contact, as `next` gives it; false after the last. Throws what
  // `next` threw, once the contacts read before it have been taken.
  bool next(Contact& contact) {
    if (taken_ == batch_.size()) {
      std::unique_lock<std::mutex> lock(mutex_);
      ready_.wait(lock, [&] { return !batches_.empty() || done_; });
      if (batches_.empty()) {
        if (error_) std::rethrow_exception(std::exchange(error_, nullptr));
        return false;
      }
      batch_ = std::move(batches_.front());
      batches_.pop_front();
      taken_ = 0;
      lock.unlock();
      room_.notify_one();
    }
    contact = std::move(batch_[taken_++]);
    return true;
  }

 private:
  static constexpr std::size_t kBatch = 32;   // contacts handed over at once
  static constexpr std::size_t kBatches = 4;  // batches read ahead at most

  void read() {
    bool more = true;
    while (more) {
      std::vector<Contact> batch(kBatch);
      std::size_t size = 0;
      std::exception_ptr error;
      try {
        while (size < kBatch && (more = next_(batch[size]))) ++size;
      } catch (...) {
        error = std::current_exception();
        more = false;
      }
      batch.resize(size);
      std::unique_lock<std::mutex> lock(mutex_);
      room_.wait(lock, [&] { return batches_.size() < kBatches || stop_; });
      if (stop_) break;
      if (!batch.empty()) batches_.push_back(std::move(batch));
      error_ = error;
      lock.unlock();
      ready_.notify_one();
    }
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      done_ = true;
    }
    ready_.notify_one();
  }

  Next next_;
  std::mutex mutex_;
  std::condition_variable ready_, room_;  // a batch to take; room for one
  std::deque<std::vector<Contact>> batches_;
  std::exception_ptr error_;
  bool done_ = false, stop_ = false;
  // The caller's: the batch being taken, and how much of it is.
  std::vector<Contact> batch_;
  std::size_t taken_ = 0;
  std::thread thread_;  // last: starts once the rest is ready
};

#endif

}  // namespace kwvcard

#endif
