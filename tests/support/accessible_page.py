#!/usr/bin/python3
"""Reads the Qt window's accessibility tree over AT-SPI and checks the "Basic" page:
every focusable control has a name of its own (not its group's title, not its value),
and scroll bars and up-down fields tell their value. Prints each control it saw.
Usage: accessible_page.py [--report]   (--report: print only, never fail)"""
import sys
import time

import pyatspi

GROUPS = {"Input A", "Input B", "General", "Transfer mode"}


def find_app(name):
    # The program registers with the bus a little after its window shows.
    for _ in range(300):
        desktop = pyatspi.Registry.getDesktop(0)
        for i in range(desktop.childCount):
            app = desktop.getChildAtIndex(i)
            if app is not None and app.name == name:
                return app
        time.sleep(0.1)
    return None


def walk(node, group, out):
    try:
        role = node.getRole()
        states = node.getState()
    except Exception:
        return
    if role == pyatspi.ROLE_PANEL and node.name in GROUPS:
        group = node.name
    if node.name == "Basic" and group is None:
        group = "Basic"
    if group and states.contains(pyatspi.STATE_FOCUSABLE) and states.contains(pyatspi.STATE_SHOWING):
        out.append((group, node))
    if role == pyatspi.ROLE_COMBO_BOX:
        return  # its items are named by their text
    for i in range(node.childCount):
        child = node.getChildAtIndex(i)
        if child is not None:
            walk(child, group, out)


def value_of(node):
    try:
        return node.queryValue().currentValue
    except NotImplementedError:
        return None


def text_of(node):
    try:
        t = node.queryText()
        return t.getText(0, t.characterCount)
    except NotImplementedError:
        return None


def find_role(node, role):
    if node.getRole() == role:
        return node
    for i in range(node.childCount):
        child = node.getChildAtIndex(i)
        found = child is not None and find_role(child, role)
        if found:
            return found
    return None


def labelled_by(node):
    for relation in node.getRelationSet():
        if relation.getRelationType() == pyatspi.RELATION_LABELLED_BY and relation.getNTargets():
            return relation.getTarget(0).name
    return None


def main():
    report = "--report" in sys.argv
    app = find_app("Kovrin Configurator")
    if app is None:
        print("the program never appeared on the accessibility bus")
        return 1
    controls = []
    for _ in range(100):
        controls = []
        walk(app, None, controls)
        if len(controls) > 18:
            break
        time.sleep(0.1)
    faults = []
    own = 0
    for group, node in controls:
        role = node.getRoleName()
        name = node.name
        if node.getRole() == pyatspi.ROLE_COMBO_BOX:
            # A combo box's name is its current item; its label names it.
            name = labelled_by(node) or ""
        value = value_of(node)
        text = text_of(node)
        print(f"{group:14} {role:12} name={name!r} description={node.description!r} value={value!r} text={text!r}")
        shown = {text} if text else set()
        if value is not None:
            shown.add(str(int(value)))
        if not name or name in GROUPS or name in shown:
            faults.append(f"{role} in {group} has no name of its own ({name!r})")
        else:
            own += 1
        if node.getRole() in (pyatspi.ROLE_SCROLL_BAR, pyatspi.ROLE_SPIN_BUTTON) and value is None:
            faults.append(f"{name!r} tells no value")
    if not find_role(app, pyatspi.ROLE_STATUS_BAR):
        faults.append("no status bar")
    print(f"{own} of {len(controls)} focusable page controls have a name of their own")
    for f in faults:
        print("FAULT:", f)
    if len(controls) < 19:
        print("too few controls seen")
        return 0 if report else 1
    if "--press-factory" in sys.argv and not faults:
        faults += press_factory_default(app)
        for f in faults:
            print("FAULT:", f)
    return 0 if report or not faults else 1


def focused(app):
    controls = []
    walk(app, None, controls)
    for _, node in controls:
        if node.getState().contains(pyatspi.STATE_FOCUSED):
            return node
    return None


def press_factory_default(app):
    """Tab to "Load factory default" and press it with the space bar, as a user without
    a mouse would; the Input A maximum then shows its factory value."""
    import subprocess
    window = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "Version"],
                            capture_output=True, text=True).stdout.split()
    reached = False
    for _ in range(60):
        node = focused(app)
        if node is not None and node.name == "Load factory default":
            reached = True
            break
        if window:
            subprocess.run(["xdotool", "windowactivate", "--sync", window[0]], capture_output=True)
        subprocess.run(["xdotool", "key", "Tab"])
        # The window manager may swallow a key before the window is active: look again.
        for _ in range(20):
            after = focused(app)
            if after is not None and (node is None or after.name != node.name):
                break
            time.sleep(0.1)
    if not reached:
        return ["Tab never reached \"Load factory default\""]
    for _ in range(5):
        subprocess.run(["xdotool", "key", "space"])
        for _ in range(50):
            controls = []
            walk(app, None, controls)
            for _, node in controls:
                if node.name == "Input A voltage threshold, maximum" and value_of(node) == 258:
                    print("\"Load factory default\" reached by Tab and pressed")
                    return []
            time.sleep(0.1)
    return ["\"Load factory default\" pressed, but the page kept its values"]


if __name__ == "__main__":
    sys.exit(main())
