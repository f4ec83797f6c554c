// The installer's state record, which the entry point owns in the product.
#include "../../ui/installer_state.h"

InstallerState g_installer;
