# Install rules for the Windows programs.
