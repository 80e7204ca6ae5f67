// The capture back ends serve a capture session; under the contract suites
// they serve one that takes every frame and sample and keeps nothing, long
// enough never to run out of frames.
#include "capture/capture_session.h"

namespace {

class DiscardingSink : public FrameSink {
public:
  void addFrame(const std::uint32_t* /*pixels*/) override {}
  void addAudio(const float* /*stereo*/, std::size_t /*frames*/) override {}
};

DiscardingSink sink;
CaptureSession session(CapturePlan{showFrameRate, 0, 1u << 30, outputFrequency}, sink);
const InstalledCaptureSession installed(session);

} // namespace
