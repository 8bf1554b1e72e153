#pragma once

#include <QByteArray>

#include <cstdio>
#include <functional>

// The body of the reader program, which reads one volume for the viewer (or dat-import) in a
// process of its own, so that a library that crashes, aborts or runs away with memory on a
// damaged file ends that process and not its caller. The caller starts it with a request
// (ReaderProtocol), the kind of request and then its fields as one JSON object:
//     dichtenschau-reader read {"path":PATH,"valuesFile":FD,"options":{...}}
// and it imports PATH with those options, reads the values straight into the file in memory
// it inherited as descriptor FD (SampleFile), where they stay in their stored type for the
// caller to map, and answers in the lines of ReaderProtocol on its standard output: the
// mapping it chose travels in the answer, and the caller makes the 12-bit samples. Whatever
// the libraries print goes to its standard error, which the caller keeps apart. It ends with
// its caller: nobody would take its answer. Its address space is bounded (AddressSpaceLimit).
class ReaderProgram
{
public:
    // Runs before each report of progress is sent, with its fraction.
    using ProgressHook = std::function<void(ReaderProgram &program, double fraction)>;

    explicit ReaderProgram(ProgressHook beforeProgress = ProgressHook());

    // The whole program: the process's exit status.
    int run(int argc, char **argv);

    // One line of the answer, on the standard output as it was when the program started.
    void say(const QByteArray &line);

private:
    void takeStandardOutputForTheAnswer();

    ProgressHook beforeProgress;
    // The answer's own stream: the standard output as it was at the start, before it was
    // pointed at the standard error, so that no library's printing can land inside an answer.
    std::FILE *answer = nullptr;
};
