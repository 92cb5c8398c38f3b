#pragma once

#include <QString>

namespace simulator {

/// The link "ports/COMn" that makes the console open the simulator's line instead of a real
/// port. It is created only where no other line is linked: a link whose target exists
/// belongs to a running simulator (or a device) and is left alone, a link to nowhere is
/// left over from one that died and is replaced. The link is removed with this object,
/// unless it has meanwhile been made to point elsewhere.
class PortLink final
{
public:
    PortLink() = default;
    ~PortLink() { remove(); }
    PortLink(const PortLink &) = delete;
    PortLink &operator=(const PortLink &) = delete;

    /// Makes `linkPath` point to `target`, creating its folder when needed. On failure
    /// returns false and says why in `error`.
    bool create(const QString &linkPath, const QString &target, QString *error);
    void remove();

    QString path() const { return m_path; }

private:
    QString m_path;
    QString m_target;
};

} // namespace simulator
