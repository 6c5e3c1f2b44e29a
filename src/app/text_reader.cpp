#include "app/text_reader.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

TTextReader::TTextReader(const std::filesystem::path& name)
    : raw_(std::fopen(name.c_str(), "rb")), buf_(raw_ ? kBlockBytes : 0) {
  if (!raw_) return;
  // Taken as text, the mark's three bytes began the first line: a first row of numbers
  // became the title ("?1,2,3") and its point was lost, a quoted title kept its quotes, a
  // heading read "?X", and a DIF file was not known as one.
  const std::size_t n = std::fread(buf_.data(), 1, 3, raw_.get());
  const auto* head = reinterpret_cast<const unsigned char*>(buf_.data());
  if (n == 3 && head[0] == 0xEF && head[1] == 0xBB && head[2] == 0xBF) {
    textStart_ = start_ = 3;
  } else {
    end_ = n;  // the bytes read are the text's first
    rawEnd_ = n < 3;
    error_ = rawEnd_ && std::ferror(raw_.get()) != 0;
  }
}

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

namespace {

// Whether any of the eight bytes of a word is zero (the classic test: exact for "any").
bool HoldsZeroByte(std::uint64_t w) {
  return ((w - 0x0101010101010101) & ~w & 0x8080808080808080) != 0;
}

// The length of the run at the start of [from, from + span) without a CR or a Ctrl-Z (nor a
// line feed, when lineFeedStops), eight bytes at a time.
std::size_t PlainRun(const char* from, std::size_t span, char ctrlZ, bool lineFeedStops = false) {
  constexpr std::uint64_t kEach = 0x0101010101010101;
  const std::uint64_t crs = kEach * '\r', ctrlZs = kEach * static_cast<unsigned char>(ctrlZ), lineFeeds = kEach * '\n';
  std::size_t k = 0;
  for (; k + 8 <= span; k += 8) {
    std::uint64_t w;
    std::memcpy(&w, from + k, 8);
    if (HoldsZeroByte(w ^ crs) || HoldsZeroByte(w ^ ctrlZs) || (lineFeedStops && HoldsZeroByte(w ^ lineFeeds))) break;
  }
  while (k < span && from[k] != '\r' && from[k] != ctrlZ && !(lineFeedStops && from[k] == '\n')) ++k;
  return k;
}

}  // namespace

std::size_t TTextReader::Read(char* out, std::size_t count) {
  std::size_t n = 0;
  while (n < count) {
    // A large read with nothing held: the file's bytes go straight into `out`.
    if (pos_ == end_ && count - n >= kBlockBytes && !atCtrlZ_) {
      const std::size_t got = ReadInPlace(out + n, count - n);
      n += got;
      if (got > 0) continue;
    }
    // Bytes up to a CR (which needs the byte after it) or a Ctrl-Z are taken as they stand.
    if (pos_ < end_) {
      const std::size_t span = std::min(end_ - pos_, count - n);
      const std::size_t k = PlainRun(buf_.data() + pos_, span, static_cast<char>(kCtrlZ));
      std::memcpy(out + n, buf_.data() + pos_, k);
      pos_ += k;
      n += k;
      if (k == span) continue;
    }
    const int ch = GetSlow();  // a CR, a Ctrl-Z or the end of the block
    if (ch == EOF) break;
    out[n++] = static_cast<char>(ch);
  }
  return n;
}

std::size_t TTextReader::ReadInPlace(char* out, std::size_t count) {
  if (rawEnd_ || error_ || !raw_) return 0;
  start_ += static_cast<std::int64_t>(pos_);
  pos_ = end_ = 0;
  const std::size_t raw = std::fread(out, 1, count, raw_.get());
  if (raw < count) {
    rawEnd_ = true;
    error_ = std::ferror(raw_.get()) != 0;
  }
  // Translated where it lies: the text only shrinks (CR LF to LF), so the write position
  // never passes the read position.
  std::size_t from = 0, to = 0;
  while (from < raw) {
    const std::size_t k = PlainRun(out + from, raw - from, static_cast<char>(kCtrlZ));
    if (to != from) std::memmove(out + to, out + from, k);
    from += k;
    to += k;
    if (from == raw) break;
    if (out[from] == static_cast<char>(kCtrlZ)) {
      // The text ends here; the reader stays on the Ctrl-Z, as Get does.
      atCtrlZ_ = true;
      start_ += static_cast<std::int64_t>(from);
      return to;
    }
    if (from + 1 == raw) {
      // A CR that is the last byte read: kept for Get, which looks at the byte after it.
      buf_[0] = '\r';
      end_ = 1;
      start_ += static_cast<std::int64_t>(from);
      return to;
    }
    const bool lineFeed = out[from + 1] == '\n';
    out[to++] = lineFeed ? '\n' : '\r';
    from += lineFeed ? 2 : 1;
  }
  start_ += static_cast<std::int64_t>(raw);
  return to;
}

bool TTextReader::AppendLine(std::string& line, std::size_t maxChars) {
  while (line.size() < maxChars) {
    if (pos_ < end_) {
      const std::size_t span = std::min(end_ - pos_, maxChars - line.size());
      const char* from = buf_.data() + pos_;
      const std::size_t k = PlainRun(from, span, static_cast<char>(kCtrlZ), true);
      line.append(from, k);
      pos_ += k;
      if (k < span && from[k] == '\n') {
        ++pos_;
        return true;
      }
      if (k == span) continue;
    }
    const int ch = GetSlow();  // a CR, a Ctrl-Z or the end of the block
    if (ch == EOF) return false;
    if (ch == '\n') return true;
    line.push_back(static_cast<char>(ch));
  }
  return false;
}

bool TTextReader::Seek(std::int64_t offset) {
  if (!raw_ || offset < 0 || fseeko(raw_.get(), static_cast<off_t>(offset), SEEK_SET) != 0) return false;
  start_ = offset;
  pos_ = end_ = 0;
  atCtrlZ_ = rawEnd_ = error_ = false;
  std::clearerr(raw_.get());
  return true;
}
