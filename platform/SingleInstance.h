#pragma once
// A window or module the program makes once, known by a program-wide name
// (fmAbout, DM, ...) from its making to its end: the first made claims the
// name, and gives it up when it ends.
template <class T> class SingleInstance {
public:
    SingleInstance(T*& name, T* self) : m_name(name), m_self(self) {
        if (!m_name)
            m_name = self;
    }
    ~SingleInstance() {
        if (m_name == m_self)
            m_name = nullptr;
    }
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

private:
    T*& m_name;
    T* m_self;
};
