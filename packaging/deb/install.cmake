# Install rules for the Linux programs, and the Debian package (CPack DEB).
