// Shift-JIS through glibc's iconv ("CP932", never "SHIFT_JIS", which maps
// 0x5C to the yen sign and refuses the NEC and IBM extensions).
#include "platform/cp932.h"

#include <iconv.h>

#include <cerrno>

#include "platform/errors.h"

namespace poolside {

namespace {

// An iconv descriptor kept for the life of the thread: opening one costs far
// more than converting a short field, and fields are converted one by one.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (ok()) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;
  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
  iconv_t get() const { return cd_; }

 private:
  iconv_t cd_;
};

// One conversion with iconv; `bad` is appended for every byte (or character)
// that cannot be converted, and conversion goes on after it.
std::string Convert(const Converter& conv, std::string_view in, std::string_view bad,
                    bool fromUtf8) {
  // Without the converter every text would go out unconverted and the shared
  // files would be corrupted; stop the action instead.
  if (!conv.ok()) throw RuntimeError("文字コード CP932 の変換を使えません (iconv)");
  iconv_t cd = conv.get();
  iconv(cd, nullptr, nullptr, nullptr, nullptr);  // a fresh shift state
  std::string out;
  out.reserve(in.size() * 2);
  char* src = const_cast<char*>(in.data());
  std::size_t left = in.size();
  char buf[1024];
  while (left > 0) {
    char* dst = buf;
    std::size_t room = sizeof buf;
    std::size_t r = iconv(cd, &src, &left, &dst, &room);
    out.append(buf, static_cast<std::size_t>(dst - buf));
    if (r == static_cast<std::size_t>(-1)) {
      if (errno == E2BIG) continue;
      // EILSEQ or EINVAL: skip one bad unit (a whole UTF-8 character when
      // converting from UTF-8, else one byte).
      out += bad;
      // The bad byte and, from UTF-8, the continuation bytes that belong to
      // it: a stray lead byte must not swallow the valid text after it.
      std::size_t skip = 1;
      if (fromUtf8) {
        while (skip < 4 && skip < left && (static_cast<unsigned char>(src[skip]) & 0xC0) == 0x80)
          ++skip;
      }
      src += skip;
      left -= skip;
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
  }
  return out;
}

}  // namespace

std::string Cp932ToUtf8(std::string_view bytes) {
  thread_local Converter conv("UTF-8", "CP932");
  return Convert(conv, bytes, "\xEF\xBF\xBD", false);
}

std::string Utf8ToCp932(std::string_view utf8) {
  thread_local Converter conv("CP932", "UTF-8");
  return Convert(conv, utf8, "?", true);
}

}  // namespace poolside
