#pragma once

// Temporary files that the system refuses to create, for the paths that
// only such a state of the system reaches (a folder whose file another
// program holds). The test process's own mkstemp stands in front of the C
// library's.
namespace wuvo::test {

// While it lives, creating a temporary file fails with `error`.
class TemporaryFilesFail {
public:
    explicit TemporaryFilesFail(int error);
    ~TemporaryFilesFail();
    TemporaryFilesFail(const TemporaryFilesFail&) = delete;
    TemporaryFilesFail& operator=(const TemporaryFilesFail&) = delete;
};

}  // namespace wuvo::test
