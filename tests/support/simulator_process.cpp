#include "simulator_process.h"

namespace testing {

QString simulatorPath()
{
    return QStringLiteral(BODOVKA_SIM_PATH);
}

} // namespace testing
