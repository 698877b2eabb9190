#include "nw/platform/error.h"

#include <cerrno>

namespace nw {

RuntimeError::RuntimeError(int number, std::string description)
    : std::runtime_error(std::to_string(number) + description),
      number_(number),
      description_(std::move(description)) {}

std::string RuntimeError::report() const { return std::to_string(number_) + description_; }

static const char* standardDescription(int number) {
    switch (number) {
    case err::Overflow: return "オーバーフローしました。";
    case err::OutOfMemory: return "メモリが不足しています。";
    case err::LibraryLoad: return "ライブラリの読み込みエラーです。";
    case err::FileNotFound: return "ファイルが見つかりません。";
    case err::InputPastEnd: return "ファイルにこれ以上データがありません。";
    case err::PermissionDenied: return "書き込みできません。";
    case err::PathAccess: return "パス名が無効です。";
    case err::DeviceIo: return "デバイス I/O エラーです。";
    case err::EntryPointNotFound: return "ライブラリのエントリ ポイントが見つかりません。";
    case err::NetworkFailure: return "ページを取得できませんでした。";
    default: return "アプリケーション定義またはオブジェクト定義のエラーです。";
    }
}

RuntimeError makeError(int number, const std::string& detail) {
    std::string text = standardDescription(number);
    if (!detail.empty()) text += " (" + detail + ")";
    return RuntimeError(number, text);
}

RuntimeError fileError(int errnoValue, const std::string& path) {
    switch (errnoValue) {
    case ENOENT: return makeError(err::FileNotFound, path);
    case EACCES:
    case EPERM:
    case EROFS: return makeError(err::PermissionDenied, path);
    case ENOSPC:
    case EDQUOT:
    case EIO: return makeError(err::DeviceIo, path);
    default: return makeError(err::PathAccess, path);
    }
}

}  // namespace nw
