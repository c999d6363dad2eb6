#include "compiler/plate_workers.h"

#include <algorithm>
#include <string>

#include "pdf/core/pdf_facade.h"

namespace qp {

PlateWorkers::PlateWorkers(int workers, size_t plates, const std::filesystem::path& tempFolder,
                           const std::string& tempStem, Rasterise rasterise)
    : plates_(plates),
      window_(2 * static_cast<size_t>(std::max(workers, 1))),
      tempFolder_(tempFolder),
      tempStem_(tempStem),
      rasterise_(std::move(rasterise)),
      done_(plates) {
  const int count = static_cast<int>(std::min<size_t>(std::max(workers, 1), plates));
  threads_.reserve(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) threads_.emplace_back([this] { Work(); });
}

PlateWorkers::~PlateWorkers() {
  Stop();
  for (std::thread& thread : threads_) thread.join();
  for (std::optional<PlateOutcome>& outcome : done_) {
    if (!outcome || outcome->TempFile.empty()) continue;
    std::error_code ignored;
    std::filesystem::remove(outcome->TempFile, ignored);
  }
}

void PlateWorkers::Stop() {
  {
    const std::lock_guard lock(mutex_);
    stopped_ = true;
  }
  changed_.notify_all();
}

std::optional<PlateOutcome> PlateWorkers::Take(size_t index, std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex_);
  if (!changed_.wait_for(lock, timeout, [&] { return done_[index].has_value(); })) {
    return std::nullopt;
  }
  PlateOutcome outcome = std::move(*done_[index]);
  done_[index].reset();
  nextToTake_ = index + 1;
  lock.unlock();
  changed_.notify_all();
  return outcome;
}

void PlateWorkers::Work() {
  // Each worker's own document: the engine's documents are not shared
  // between threads.
  pdf::TPDFDocument document;
  for (;;) {
    size_t index;
    {
      std::unique_lock lock(mutex_);
      changed_.wait(lock, [&] {
        return stopped_ || nextToStart_ >= plates_ || nextToStart_ < nextToTake_ + window_;
      });
      if (stopped_ || nextToStart_ >= plates_) return;
      index = nextToStart_++;
    }
    PlateOutcome outcome;
    outcome.TempFile = tempFolder_ / (tempStem_ + "-" + std::to_string(index) + ".TMP");
    try {
      outcome.image = rasterise_(index, document, outcome.TempFile);
    } catch (...) {
      outcome.error = std::current_exception();
    }
    {
      const std::lock_guard lock(mutex_);
      done_[index] = std::move(outcome);
    }
    changed_.notify_all();
  }
}

int BuildWorkerCount(int requested) {
  if (requested > 0) return requested;
  const unsigned cores = std::thread::hardware_concurrency();
  return cores == 0 ? 1 : static_cast<int>(cores);
}

}  // namespace qp
