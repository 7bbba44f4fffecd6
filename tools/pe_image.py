"""The resources, imports and entry point of a PE image (a Windows program or resource
library, 32 or 64 bits), read with pefile: for the checks of the built files, independent
of the program's own resource reader."""
import pefile


def _key(entry):
    """An entry's number, or its name in capitals as the resource compiler writes it."""
    return entry.id if entry.name is None else str(entry.name).upper()


class PeImage:
    def __init__(self, path=None, data=None):
        pe = pefile.PE(path, data=data, fast_load=True)
        pe.parse_data_directories(directories=[
            pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_IMPORT"],
            pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_RESOURCE"]])
        self.entry_point = pe.OPTIONAL_HEADER.AddressOfEntryPoint
        self.pe32 = pe.OPTIONAL_HEADER.Magic == pefile.OPTIONAL_HEADER_MAGIC_PE
        self.imports = [entry.dll.decode("ascii").lower()
                        for entry in getattr(pe, "DIRECTORY_ENTRY_IMPORT", [])]
        # {(type, name, language): bytes}, and the string table's {id: text}
        self.resources, self.strings = {}, {}
        root = getattr(pe, "DIRECTORY_ENTRY_RESOURCE", None)
        for kind in root.entries if root else []:
            for name in kind.directory.entries:
                self.strings.update(getattr(name.directory, "strings", {}))
                for language in name.directory.entries:
                    place = language.data.struct
                    self.resources[(_key(kind), _key(name), language.id)] = pe.get_data(
                        place.OffsetToData, place.Size)

    def find(self, kind, name):
        """The bytes of a resource, whatever its language; None when there is none."""
        return next((data for (k, n, _), data in self.resources.items() if (k, n) == (kind, name)),
                    None)
