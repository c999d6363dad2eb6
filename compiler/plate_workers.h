#pragma once
// Rasterises the plates of one group on worker threads and hands the results
// back strictly in plate order, so that the group file comes out byte for
// byte as a one-worker build writes it. Each worker renders with its own PDF
// document; each plate is encoded into a temporary image file of its own,
// which the caller appends and removes. At most a few plates per worker are
// ahead of the caller, so memory and disk stay bounded.

#include <condition_variable>
#include <cstddef>
#include <exception>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "compiler/image_encoder.h"

namespace qp {

namespace pdf {
class TPDFDocument;
}

// What one plate produced: its image in `TempFile`, or nothing (a source
// type that is not built), or the error that stopped it.
struct PlateOutcome {
  std::optional<EncodedImage> image;
  std::filesystem::path TempFile;
  std::exception_ptr error;
};

class PlateWorkers {
 public:
  // Rasterises plate `index` into `tempFile` with the worker's own
  // `document`; returns std::nullopt for a plate that is skipped.
  using Rasterise = std::function<std::optional<EncodedImage>(
      size_t index, pdf::TPDFDocument& document, const std::filesystem::path& tempFile)>;

  // Starts `workers` threads (at least one) over plates 0 to `plates` - 1.
  // Temporary files are named after `tempStem` ("EXP123") inside `tempFolder`.
  PlateWorkers(int workers, size_t plates, const std::filesystem::path& tempFolder,
               const std::string& tempStem, Rasterise rasterise);
  // Stops, waits for the plates in progress and removes every temporary
  // file that was not taken.
  ~PlateWorkers();
  PlateWorkers(const PlateWorkers&) = delete;
  PlateWorkers& operator=(const PlateWorkers&) = delete;

  // Waits up to `timeout` for plate `index` (the next in order); the
  // outcome, or std::nullopt when it is not ready yet. Taking plate `index`
  // lets the workers start plates further ahead.
  std::optional<PlateOutcome> Take(size_t index, std::chrono::milliseconds timeout);

  // No plate is started after this; plates in progress finish.
  void Stop();

 private:
  void Work();

  const size_t plates_;
  const size_t window_;  // how far the workers may run ahead of Take
  const std::filesystem::path tempFolder_;
  const std::string tempStem_;
  Rasterise rasterise_;

  std::mutex mutex_;
  std::condition_variable changed_;
  size_t nextToStart_ = 0;
  size_t nextToTake_ = 0;
  bool stopped_ = false;
  std::vector<std::optional<PlateOutcome>> done_;  // by plate index
  std::vector<std::thread> threads_;
};

// The number of workers a build uses when asked for `requested` (0: one per
// core).
int BuildWorkerCount(int requested);

}  // namespace qp
