# The headers' one-line comments above a declaration, and after a member, read as Doxygen's.
s|^\( *\)// |\1/// |
s|;\( *\)// |;\1///< |
