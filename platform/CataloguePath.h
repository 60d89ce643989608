// Paths between this machine and catalogues: a catalogue path is a drive
// letter, ":" and the path below the folder the letter stands for, with "\"
// separators; a "\" inside a Linux name is stored as "/".
#pragma once

#include <string>
#include <string_view>

namespace sorvane {

// "E:\Music\Live" for "/media/usb/Music/Live" when E stands for /media/usb;
// "E:\" for the folder of E itself. Empty when no letter holds the path.
std::string ToCataloguePath(std::string_view hostPath);

// The host path of a catalogue path ("E:\Music\" gives "/media/usb/Music/");
// empty when the letter stands for no folder.
std::string ToHostPath(std::string_view cataloguePath);

// A catalogue path as the user is shown it: as Linux writes it ("/srv/photos"
// for "C:\srv\photos") when its letter stands for a folder here, else as it
// is (the medium of a letter this machine does not have).
std::string ShownPath(std::string_view cataloguePath);

// A name of the file system in catalogue form ("\" becomes "/"), and back.
std::string NameToCatalogue(std::string_view hostName);
std::string NameToHost(std::string_view catalogueName);

} // namespace sorvane
