// zolsax2-docgen: writes zolsax2's manual page or bash completion from its help texts, so
// that neither can drift from --help. Usage: zolsax2-docgen man|completion OUTPUT [VERSION]
#include "BashCompletion.h"
#include "HelpDocument.h"
#include "HelpText.h"
#include "ManPage.h"

#include <fstream>
#include <iostream>
#include <string>

int main(int argc, char** argv)
{
    const std::string kind = argc > 2 ? argv[1] : "";
    if (kind != "man" && kind != "completion") {
        std::cerr << "usage: zolsax2-docgen man|completion OUTPUT [VERSION]\n";
        return 2;
    }
    const zolsax2::HelpDocument help = zolsax2::HelpDocument::parse(zolsax2::HelpText::full(), zolsax2::HelpText::of);
    std::ofstream out(argv[2], std::ios::binary);
    out << (kind == "man" ? zolsax2::ManPage::write(help, argc > 3 ? argv[3] : "")
                          : zolsax2::BashCompletion::write(help));
    out.close();
    if (!out) {
        std::cerr << "zolsax2-docgen: cannot write " << argv[2] << '\n';
        return 1;
    }
    return 0;
}
