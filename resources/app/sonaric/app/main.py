import sys
print("stand-in studio", sys.executable)
