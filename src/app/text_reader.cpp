#include "app/text_reader.h"

#include <cstring>

TTextReader::TTextReader(const std::filesystem::path& name)
    : raw_(std::fopen(name.c_str(), "rb")), buf_(raw_ ? kBlockBytes : 0) {}

bool TTextReader::Refill() {
  if (rawEnd_ || error_ || !raw_) return false;
  const std::size_t kept = end_ - pos_;
  std::memmove(buf_.data(), buf_.data() + pos_, kept);
  start_ += static_cast<std::int64_t>(pos_);
  pos_ = 0;
  end_ = kept;
  const std::size_t n = std::fread(buf_.data() + kept, 1, buf_.size() - kept, raw_.get());
  end_ += n;
  if (n < buf_.size() - kept) {
    rawEnd_ = true;
    error_ = std::ferror(raw_.get()) != 0;
  }
  return n > 0;
}

int TTextReader::GetSlow() {
  if (atCtrlZ_) return EOF;
  // A CR is taken with the byte after it, when there is one.
  if (end_ - pos_ < 2) Refill();
  if (pos_ == end_) return EOF;
  const unsigned char ch = static_cast<unsigned char>(buf_[pos_]);
  if (ch == kCtrlZ) {
    atCtrlZ_ = true;
    return EOF;
  }
  if (ch == '\r' && pos_ + 1 < end_ && buf_[pos_ + 1] == '\n') {
    pos_ += 2;
    return '\n';
  }
  ++pos_;
  return ch;
}

bool TTextReader::Seek(std::int64_t offset) {
  if (!raw_ || offset < 0 || fseeko(raw_.get(), static_cast<off_t>(offset), SEEK_SET) != 0) return false;
  start_ = offset;
  pos_ = end_ = 0;
  atCtrlZ_ = rawEnd_ = error_ = false;
  std::clearerr(raw_.get());
  return true;
}
