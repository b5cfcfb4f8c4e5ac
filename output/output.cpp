namespace tvn {}  // extraction, repair, zip writer and save job live beside this file
