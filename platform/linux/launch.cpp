// Program start for the watcher's "run a program on change": no shell, no waiting.
//
// The command line is split into words the way a desktop launcher splits an Exec line, without
// any expansion: blanks separate words; "..." groups a word, and inside it a backslash takes the
// next character literally when that is one of " \ $ `; '...' groups a word with no escapes at
// all; outside quotes a backslash takes the next character literally. Nothing else is special:
// ; | & $( ) ` < > * ~ stay plain characters of the words, so no text of the line runs as
// shell code. The first word is the program (searched on PATH when it holds no "/").
//
// The program is started detached (double fork, so it is never our child and leaves no zombie),
// with standard input, output and error on the null device. X11 offers no general way to ask
// another program's first window to start minimized, so nothing is passed for that.
#include "nw/platform/launch.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <string_view>
#include <vector>

#include "nw/platform/error.h"

namespace nw {

namespace {

// The words of `line`; throws PathAccess on an unterminated quote.
std::vector<std::string> splitCommandLine(const std::string& line) {
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    for (size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
            if (inWord) words.push_back(word);
            word.clear();
            inWord = false;
            continue;
        }
        inWord = true;
        if (c == '"') {
            for (++i;; ++i) {
                if (i >= line.size()) throw makeError(err::PathAccess, line);
                if (line[i] == '"') break;
                if (line[i] == '\\' && i + 1 < line.size() && std::string_view("\"\\$`").find(line[i + 1]) != std::string_view::npos)
                    ++i;
                word += line[i];
            }
        } else if (c == '\'') {
            const size_t close = line.find('\'', i + 1);
            if (close == std::string::npos) throw makeError(err::PathAccess, line);
            word.append(line, i + 1, close - i - 1);
            i = close;
        } else if (c == '\\' && i + 1 < line.size()) {
            word += line[++i];
        } else {
            word += c;
        }
    }
    if (inWord) words.push_back(word);
    return words;
}

// The file to execute for `program`; throws FileNotFound or PermissionDenied.
std::string resolveProgram(const std::string& program) {
    if (program.find('/') == std::string::npos) {
        const QString found = QStandardPaths::findExecutable(QString::fromStdString(program));
        if (found.isEmpty()) throw makeError(err::FileNotFound, program);
        return found.toStdString();
    }
    struct stat st {};
    if (stat(program.c_str(), &st) != 0) throw makeError(err::FileNotFound, program);
    if (!S_ISREG(st.st_mode) || access(program.c_str(), X_OK) != 0) throw makeError(err::PermissionDenied, program);
    return program;
}

}  // namespace

void startProgram(const std::string& commandLine) {
    const std::vector<std::string> words = splitCommandLine(commandLine);
    if (words.empty() || words.front().empty()) throw makeError(err::FileNotFound, commandLine);
    const std::string program = resolveProgram(words.front());

    QStringList arguments;
    for (size_t i = 1; i < words.size(); ++i) arguments << QString::fromStdString(words[i]);

    QProcess process;
    process.setProgram(QString::fromStdString(program));
    process.setArguments(arguments);
    // Our own channels are not handed down: a caller that reads them would otherwise wait for
    // the started program to end.
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    if (!process.startDetached()) throw makeError(err::PermissionDenied, program);
}

}  // namespace nw
