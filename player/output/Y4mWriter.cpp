#include "output/Y4mWriter.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

constexpr char kFrameHeader[] = "FRAME\n";
constexpr size_t kFrameHeaderSize = sizeof kFrameHeader - 1;

} // namespace

bool Y4mWriter::Open(const std::string& path, int width, int height, int rateNumerator, int rateDenominator,
                     std::stop_token stop) {
	writer_.reset();
	output_.Discard();
	frames_ = 0;
	error_.clear();
	if (width < 1 || height < 1 || rateNumerator < 1 || rateDenominator < 1) {
		error_ = path + ": bad frame size or rate";
		return false;
	}
	width_ = width;
	height_ = height;
	if (!output_.Open(path, stop)) {
		error_ = output_.Error();
		return false;
	}
	converter_.emplace(width, height);
	char header[128];
	std::snprintf(header, sizeof header, "YUV4MPEG2 W%d H%d F%d:%d Ip A1:1 C420jpeg XCOLORRANGE=LIMITED\n",
	              width, height, rateNumerator, rateDenominator);
	writer_ = std::make_unique<FrameWriter>(::fileno(output_.Stream()), kFrameHeaderSize + converter_->Size(),
	                                        header, std::move(stop));
	return true;
}

bool Y4mWriter::WriteFrame(std::span<const uint8_t> rgba, size_t stride) {
	if (!writer_) return false;
	if (stride < static_cast<size_t>(width_) * 4 ||
	    rgba.size() < stride * static_cast<size_t>(height_ - 1) + static_cast<size_t>(width_) * 4) {
		error_ =
		    output_.Path() + ": frame smaller than " + std::to_string(width_) + "x" + std::to_string(height_);
		writer_.reset();
		output_.Discard();
		return false;
	}
	uint8_t* frame = writer_->Slot();
	if (!frame) return WriterFailed();
	std::memcpy(frame, kFrameHeader, kFrameHeaderSize);
	converter_->Convert(rgba.data(), stride, frame + kFrameHeaderSize);
	if (!writer_->Queue()) return WriterFailed();
	frames_++;
	return true;
}

bool Y4mWriter::RepeatFrame() {
	if (!writer_ || frames_ == 0) return false;
	if (!writer_->QueueRepeat()) return WriterFailed();
	frames_++;
	return true;
}

bool Y4mWriter::WriterFailed() {
	errno = writer_->Error();
	writer_.reset();
	if (errno != EINTR) return Fail();
	// Given up at a quit signal, waiting on a reader that took nothing.
	output_.Discard();
	error_ = output_.Path() + ": recording cut short: the reader took no more";
	return false;
}

bool Y4mWriter::Fail() {
	output_.Fail("cannot write");
	error_ = output_.Error();
	return false;
}

bool Y4mWriter::Finish() {
	if (!writer_) return false;
	if (!writer_->Drain()) return WriterFailed();
	writer_.reset();
	if (!output_.Commit()) {
		error_ = output_.Error();
		return false;
	}
	return true;
}
