#include "output/Y4mWriter.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

constexpr char kFrameHeader[] = "FRAME\n";
constexpr size_t kFrameHeaderSize = sizeof kFrameHeader - 1;

} // namespace

Expected<void> Y4mWriter::Open(const std::string& path, int width, int height, int rateNumerator,
                               int rateDenominator, std::stop_token stop) {
	writer_.reset();
	output_.Discard();
	frames_ = 0;
	if (width < 1 || height < 1 || rateNumerator < 1 || rateDenominator < 1)
		return Failure{path + ": bad frame size or rate"};
	width_ = width;
	height_ = height;
	if (Expected<void> opened = output_.Open(path, stop); !opened) return opened;
	converter_.emplace(width, height);
	char header[128];
	std::snprintf(header, sizeof header, "YUV4MPEG2 W%d H%d F%d:%d Ip A1:1 C420jpeg XCOLORRANGE=LIMITED\n",
	              width, height, rateNumerator, rateDenominator);
	writer_ = std::make_unique<FrameWriter>(::fileno(output_.Stream()), kFrameHeaderSize + converter_->Size(),
	                                        header, std::move(stop));
	return {};
}

Expected<void> Y4mWriter::WriteFrame(std::span<const uint8_t> rgba, size_t stride) {
	if (!writer_) return NotOpen();
	if (stride < static_cast<size_t>(width_) * 4 ||
	    rgba.size() < stride * static_cast<size_t>(height_ - 1) + static_cast<size_t>(width_) * 4) {
		writer_.reset();
		output_.Discard();
		return Failure{output_.Path() + ": frame smaller than " + std::to_string(width_) + "x" +
		               std::to_string(height_)};
	}
	uint8_t* frame = writer_->Slot();
	if (!frame) return WriterFailed();
	std::memcpy(frame, kFrameHeader, kFrameHeaderSize);
	converter_->Convert(rgba.data(), stride, frame + kFrameHeaderSize);
	if (!writer_->Queue()) return WriterFailed();
	frames_++;
	return {};
}

Expected<void> Y4mWriter::RepeatFrame() {
	if (!writer_ || frames_ == 0) return NotOpen();
	if (!writer_->QueueRepeat()) return WriterFailed();
	frames_++;
	return {};
}

Failure Y4mWriter::WriterFailed() {
	errno = writer_->Error();
	writer_.reset();
	if (errno != EINTR) return Fail();
	// Given up once a stop was requested, waiting on a reader that took nothing.
	output_.Discard();
	return Failure{output_.Path() + ": recording cut short: the reader took no more"};
}

Failure Y4mWriter::Fail() { return output_.Fail("cannot write"); }

Failure Y4mWriter::NotOpen() const {
	return Failure{output_.Path() + ": no stream is open, or no frame written"};
}

Expected<void> Y4mWriter::Finish() {
	if (!writer_) return NotOpen();
	if (!writer_->Drain()) return WriterFailed();
	writer_.reset();
	return output_.Commit();
}
